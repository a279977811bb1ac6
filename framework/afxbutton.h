#pragma once
// CButton: a push button; an owner-drawn one is painted by DrawItem.
#include "framework/afxwnd.h"

class CButton : public CWnd {
public:
    // Paints an owner-drawn button; the drawing context belongs to the caller.
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};
