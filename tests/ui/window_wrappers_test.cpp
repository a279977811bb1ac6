// The window framework's wrappers of controls, on real windows of this process.
#include <gtest/gtest.h>

#include "framework/afxlistbox.h"
#include "framework/afxwnd.h"

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
