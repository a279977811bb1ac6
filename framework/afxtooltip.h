#pragma once
// CToolTipCtrl: a tooltip window owned by the object; it learns of the mouse only through
// RelayEvent.
#include <windows.h>
#include <commctrl.h>

#include "framework/afxwnd.h"

class CToolTipCtrl : public CWnd {
public:
    // FALSE, with no window left, when the window could not be made or attached.
    BOOL Create(CWnd* parent, DWORD style = 0);
    BOOL AddTool(CWnd* window, const char* text, LPCRECT rect, UINT_PTR id);
    void UpdateTipText(const char* text, CWnd* window, UINT_PTR id);
    void Activate(BOOL activate);
    void RelayEvent(LPMSG msg);
    int GetToolCount() const;
};
