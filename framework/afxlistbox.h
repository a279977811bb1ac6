#pragma once
// CListBox: the list box messages the program uses.
#include "framework/afxwnd.h"

class CListBox : public CWnd {
public:
    int AddString(const char* text) { return (int)SendMessage(LB_ADDSTRING, 0, (LPARAM)text); }
    int SetItemDataPtr(int index, void* data) { return (int)SendMessage(LB_SETITEMDATA, index, (LPARAM)data); }
    void* GetItemDataPtr(int index) { return (void*)SendMessage(LB_GETITEMDATA, index, 0); }
    int GetCurSel() { return (int)SendMessage(LB_GETCURSEL); }
    int SetCurSel(int index) { return (int)SendMessage(LB_SETCURSEL, index); }
};
