#pragma once
// CListBox: the list box messages the program uses.
#include "framework/afxconv.h"
#include "framework/afxwnd.h"

class CListBox : public CWnd {
public:
    // The list sorts its entries by their wide text.
    int AddString(const char* text) {
        std::wstring wide = AfxToWide(text);
        return (int)SendMessage(LB_ADDSTRING, 0, (LPARAM)wide.c_str());
    }
    int SetItemDataPtr(int index, void* data) { return (int)SendMessage(LB_SETITEMDATA, index, (LPARAM)data); }
    void* GetItemDataPtr(int index) { return (void*)SendMessage(LB_GETITEMDATA, index, 0); }
    int GetCurSel() { return (int)SendMessage(LB_GETCURSEL); }
    int SetCurSel(int index) { return (int)SendMessage(LB_SETCURSEL, index); }
};
