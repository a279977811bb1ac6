// The window framework's wrappers of controls and its modal dialogs, on real windows of this
// process.
#include <gtest/gtest.h>

#include "framework/afxdialog.h"
#include "framework/afxlistbox.h"
#include "framework/afxwnd.h"
#include "res/resource.h"

// A control asked for as a plain window and then as a list box gets a wrapper of each kind; the
// first pointer stays valid and is handed out again.
TEST(FrameworkWindow, OneWrapperPerControlAndType) {
    CWnd parent;
    parent.m_hWnd = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(parent.m_hWnd, nullptr);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 50, 50, parent.m_hWnd, (HMENU)5, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    CWnd* plain = parent.GetDlgItem(5);
    ASSERT_NE(plain, nullptr);
    CListBox* box = parent.GetDlgControl<CListBox>(5);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->m_hWnd, list);
    EXPECT_EQ(parent.GetDlgItem(5), plain) << "the first wrapper is kept, not replaced";
    EXPECT_EQ(plain->m_hWnd, list);
    EXPECT_EQ(parent.GetDlgControl<CListBox>(5), box);
    EXPECT_EQ(box->AddString("entry"), 0);
    EXPECT_EQ(parent.GetDlgItem(6), nullptr) << "no such control";
}

namespace {

// The meter's template (visible by its style), counting when it is shown; it ends in its
// initialisation, or at the first message its loop takes.
class ShowCountingDialog : public CDialog {
public:
    explicit ShowCountingDialog(bool endAtOnce) : CDialog(IDD_METER, nullptr), m_endAtOnce(endAtOnce) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (m_endAtOnce) EndDialog(IDCANCEL);
        else ::PostMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SHOWWINDOW && wParam) ++shown;
        return CDialog::WindowProc(message, wParam, lParam);
    }
    int shown = 0;

private:
    bool m_endAtOnce;
};

}  // namespace

// A dialog that ends in its initialisation (a close carried out there) never shows, not even
// for a moment; one that runs shows once.
TEST(FrameworkWindow, ADialogEndedInItsInitialisationNeverShows) {
    ShowCountingDialog ended(true);
    EXPECT_EQ(ended.DoModal(), IDCANCEL);
    EXPECT_EQ(ended.shown, 0);
    ShowCountingDialog running(false);
    EXPECT_EQ(running.DoModal(), IDCANCEL);
    EXPECT_EQ(running.shown, 1);
}
