#include "ui/link_button.h"

#include "framework/afxconv.h"
#include "framework/afxdc.h"
#include "ui/drawn_text.h"
#include "ui/link_caption.h"

BEGIN_MESSAGE_MAP(CHButton, CButton)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_RBUTTONDBLCLK()
    ON_WM_LBUTTONUP()
    ON_WM_RBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
END_MESSAGE_MAP()

CHButton::CHButton()
    : m_backgroundColour(::GetSysColor(COLOR_BTNFACE)), m_linkCursor(nullptr), m_cursorSet(0),
      m_toolTipTried(false), m_hovering(0), m_hoverColour(0), m_hoverColourEnabled(0),
      m_linkColour(RGB(0, 0, 255)), m_underlineMode(1) {}

// The tooltip member goes with its window before the button itself.
CHButton::~CHButton() = default;

void CHButton::InvalidateButton() { ::InvalidateRect(m_hWnd, nullptr, TRUE); }

void CHButton::SetLinkCursor(HCURSOR cursor) {
    m_linkCursor = cursor;
    m_cursorSet = 1;
    InvalidateButton();
}

void CHButton::SetUnderlineMode(int mode) {
    m_underlineMode = mode;
    InvalidateButton();
}

void CHButton::SetHoverColor(COLORREF colour, int enable) {
    m_hoverColour = colour;
    m_hoverColourEnabled = enable;
    InvalidateButton();
}

bool CHButton::CreateToolTipOnce() {
    // Tried once: a tooltip that could not be made would otherwise be tried for every message.
    if (!m_toolTipTried) {
        m_toolTipTried = true;
        if (m_toolTip.Create(this, 0)) m_toolTip.Activate(FALSE);  // silent until a text is set with activation
    }
    return m_toolTip.m_hWnd != nullptr;
}

void CHButton::SetToolTipText(const char* text, int activate) {
    if (!text || !CreateToolTipOnce()) return;
    if (m_toolTip.GetToolCount() == 0) {
        CRect client;
        GetClientRect(&client);
        m_toolTip.AddTool(this, text, &client, 1);
    }
    m_toolTip.UpdateTipText(text, this, 1);
    m_toolTip.Activate(activate);
}

BOOL CHButton::PreTranslateMessage(MSG* msg) {
    // The tooltip does not watch the button itself: it hears of the mouse only from here.
    if (CreateToolTipOnce()) m_toolTip.RelayEvent(msg);
    return CButton::PreTranslateMessage(msg);
}

void CHButton::ShowLinkCursor() {
    if (m_cursorSet == 1) ::SetCursor(m_linkCursor);
}

void CHButton::OnMouseMove(UINT flags, CPoint point) {
    ShowLinkCursor();
    if (!m_hovering) {
        m_hovering = 1;
        InvalidateButton();
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = m_hWnd;
        ::TrackMouseEvent(&track);
    }
    CButton::OnMouseMove(flags, point);
}

LRESULT CHButton::OnMouseLeave(WPARAM, LPARAM) {
    m_hovering = 0;
    InvalidateButton();
    return 0;
}

void CHButton::OnLButtonDown(UINT flags, CPoint point) {
    ShowLinkCursor();
    CButton::OnLButtonDown(flags, point);
}

void CHButton::OnLButtonDblClk(UINT flags, CPoint point) {
    ShowLinkCursor();
    CButton::OnLButtonDblClk(flags, point);
}

void CHButton::OnRButtonDown(UINT flags, CPoint point) {
    ShowLinkCursor();
    CButton::OnRButtonDown(flags, point);
}

void CHButton::OnRButtonDblClk(UINT flags, CPoint point) {
    ShowLinkCursor();
    CButton::OnRButtonDblClk(flags, point);
}

void CHButton::OnLButtonUp(UINT flags, CPoint point) {
    ShowLinkCursor();
    CButton::OnLButtonUp(flags, point);
}

void CHButton::OnRButtonUp(UINT flags, CPoint point) {
    ShowLinkCursor();
    CButton::OnRButtonUp(flags, point);
}

void CHButton::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    CDC dc;
    dc.Attach(drawItem->hDC);  // the caller's context: neither released nor deleted here

    CString caption;
    GetWindowText(caption);
    // What the caption covers as drawn, not what the font's metrics say, which can fall short of
    // the pixels. Measured before the underlined variant is selected: its letters are the same,
    // and the button keeps its size while hovered.
    RECT drawn = DrawnTextBox(dc, caption, caption.GetLength());
    SIZE size = {drawn.right - drawn.left, drawn.bottom - drawn.top};

    HFONT underlined = nullptr;
    HGDIOBJ previousFont = nullptr;
    if (LinkCaptionUnderlined(m_underlineMode, m_hovering)) {
        LOGFONTW font;  // wide: the face name of a system font may be in any script
        if (::GetObjectW(GetFont(), sizeof(font), &font) == sizeof(font)) {
            font.lfUnderline = 1;
            underlined = ::CreateFontIndirectW(&font);
            if (underlined) previousFont = dc.SelectObject(underlined);
        }
    }
    dc.FillSolidRect(&drawItem->rcItem, m_backgroundColour);

    CRect window;
    GetWindowRect(&window);
    HWND parent = ::GetParent(m_hWnd);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    RECT target = LinkButtonRect(window, size);

    dc.SetTextColor(LinkCaptionColour(m_hovering, m_hoverColourEnabled, m_linkColour, m_hoverColour));
    if (!caption.IsEmpty()) {
        POINT origin = LinkCaptionOrigin(drawItem->rcItem, drawn);
        dc.SetBkMode(TRANSPARENT);
        if (drawItem->itemState & ODS_DISABLED) {
            std::wstring wide = AfxToWide(caption);
            ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(wide.c_str()), (WPARAM)wide.size(), origin.x,
                         origin.y, size.cx, size.cy, DST_PREFIXTEXT | DSS_DISABLED);
        } else {
            dc.TextOut(origin.x, origin.y, caption, caption.GetLength());
        }
    }

    if (underlined) {
        dc.SelectObject(previousFont);
        ::DeleteObject(underlined);
    }
    dc.Detach();

    MoveWindow(target.left, target.top, target.right - target.left, target.bottom - target.top, TRUE);
}
