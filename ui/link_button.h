#pragma once
// CHButton: an owner-drawn button that looks and behaves like a text hyperlink. It draws only
// its caption, in the link colour or, while the pointer is over it, the hover colour, underlined
// as its mode says; shows the link cursor and a tooltip; and after every drawing sizes itself
// around its centre to the caption plus 2 pixels on each side.
#include "framework/afxbutton.h"
#include "framework/afxtooltip.h"

class CHButton : public CButton {
public:
    CHButton();
    ~CHButton() override;

    void SetLinkCursor(HCURSOR cursor);
    void SetUnderlineMode(int mode);
    void SetHoverColor(COLORREF colour, int enable);
    // A null text is ignored. The tool's rectangle is the button's client area when first added.
    void SetToolTipText(const char* text, int activate);

    BOOL PreTranslateMessage(MSG* msg) override;
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

protected:
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);
    void OnRButtonDblClk(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnRButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    void ShowLinkCursor();
    // True when the tooltip exists.
    bool CreateToolTipOnce();
    void InvalidateButton();

    COLORREF m_backgroundColour;
    HCURSOR m_linkCursor;
    int m_cursorSet;
    CToolTipCtrl m_toolTip;
    bool m_toolTipTried;
    int m_hovering;
    COLORREF m_hoverColour;
    int m_hoverColourEnabled;
    COLORREF m_linkColour;
    int m_underlineMode;
};
