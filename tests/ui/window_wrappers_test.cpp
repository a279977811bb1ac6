// The window framework's wrappers of controls, its modal dialogs and the link button's tooltip,
// on real windows of this process.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "framework/afxdialog.h"
#include "framework/afxlistbox.h"
#include "framework/afxwnd.h"
#include "res/resource.h"
#include "tests/support/import_patch.h"
#include "ui/link_button.h"

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

namespace {

#ifdef _WIN64
const char kSetWindowLongPtr[] = "SetWindowLongPtrW";
#else
const char kSetWindowLongPtr[] = "SetWindowLongW";  // what SetWindowLongPtrW stands for here
#endif

LONG_PTR WINAPI RefuseSubclassing(HWND, int, LONG_PTR) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
}

int g_toolTipsMade = 0;
decltype(&CreateWindowExW) g_createWindowExW = nullptr;

HWND WINAPI CountingCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR name, DWORD style, int x, int y, int width,
                                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (!IS_INTRESOURCE(className) && lstrcmpiW(className, TOOLTIPS_CLASSW) == 0) ++g_toolTipsMade;
    return g_createWindowExW(exStyle, className, name, style, x, y, width, height, parent, menu, instance, param);
}

BOOL CALLBACK CountToolTips(HWND window, LPARAM count) {
    char className[64] = "";
    GetClassNameA(window, className, sizeof(className));
    if (lstrcmpiA(className, TOOLTIPS_CLASSA) == 0) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int LiveToolTips() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountToolTips, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

// A link button whose tooltip window cannot be attached (subclassing refused) leaves no such
// window behind, and does not make one again for every message it pre-translates.
TEST(FrameworkWindow, ATooltipThatCannotBeAttachedIsNeitherLeftNorMadeAgain) {
    CHButton button;
    HWND window =
        CreateWindowA("BUTTON", "link", WS_POPUP | BS_OWNERDRAW, 0, 0, 80, 16, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(button.SubclassWindow(window));
    int before = LiveToolTips();
    {
        ImportPatch counting("user32.dll", "CreateWindowExW", reinterpret_cast<const void*>(CountingCreateWindowExW));
        ImportPatch refusing("user32.dll", kSetWindowLongPtr, reinterpret_cast<const void*>(RefuseSubclassing));
        ASSERT_TRUE(counting.Applied() && refusing.Applied());
        g_createWindowExW = counting.Original<decltype(&CreateWindowExW)>();
        g_toolTipsMade = 0;
        button.SetToolTipText("visit homepage", TRUE);
        MSG msg = {window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0, {5, 5}};
        for (int i = 0; i < 20; ++i) button.PreTranslateMessage(&msg);
    }
    EXPECT_EQ(g_toolTipsMade, 1) << "made again and again";
    EXPECT_EQ(LiveToolTips(), before) << "a tooltip window was left";
}
