#include "framework/afxtooltip.h"

#include "framework/afxconv.h"

namespace {

// The size up to lParam: understood by every common controls version that has tooltips. The
// text is copied by the tooltip when the message is handled.
TOOLINFOW MakeToolInfo(CWnd* window, UINT_PTR id, std::wstring& text) {
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = window ? window->m_hWnd : nullptr;
    info.uId = id;
    info.lpszText = &text[0];
    return info;
}

}  // namespace

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
    HWND window = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    parent ? parent->m_hWnd : nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!window) return FALSE;
    if (SubclassWindow(window)) return TRUE;
    ::DestroyWindow(window);  // result deliberately ignored: nothing else holds the window
    return FALSE;
}

BOOL CToolTipCtrl::AddTool(CWnd* window, const char* text, LPCRECT rect, UINT_PTR id) {
    std::wstring wide = AfxToWide(text);
    TOOLINFOW info = MakeToolInfo(window, id, wide);
    if (rect) info.rect = *rect;
    return (BOOL)SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(const char* text, CWnd* window, UINT_PTR id) {
    std::wstring wide = AfxToWide(text);
    TOOLINFOW info = MakeToolInfo(window, id, wide);
    SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::Activate(BOOL activate) { SendMessage(TTM_ACTIVATE, activate, 0); }

void CToolTipCtrl::RelayEvent(LPMSG msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }

int CToolTipCtrl::GetToolCount() const { return (int)::SendMessageW(m_hWnd, TTM_GETTOOLCOUNT, 0, 0); }
