#include "framework/afxtooltip.h"

namespace {

// The size up to lParam: understood by every common controls version that has tooltips.
TOOLINFOA MakeToolInfo(CWnd* window, UINT_PTR id, const char* text) {
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = window ? window->m_hWnd : nullptr;
    info.uId = id;
    info.lpszText = const_cast<char*>(text);
    return info;
}

}  // namespace

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
    HWND window = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    parent ? parent->m_hWnd : nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    if (!window) return FALSE;
    if (SubclassWindow(window)) return TRUE;
    ::DestroyWindow(window);  // result deliberately ignored: nothing else holds the window
    return FALSE;
}

BOOL CToolTipCtrl::AddTool(CWnd* window, const char* text, LPCRECT rect, UINT_PTR id) {
    TOOLINFOA info = MakeToolInfo(window, id, text);
    if (rect) info.rect = *rect;
    return (BOOL)SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(const char* text, CWnd* window, UINT_PTR id) {
    TOOLINFOA info = MakeToolInfo(window, id, text);
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::Activate(BOOL activate) { SendMessage(TTM_ACTIVATE, activate, 0); }

void CToolTipCtrl::RelayEvent(LPMSG msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }

int CToolTipCtrl::GetToolCount() const { return (int)::SendMessageA(m_hWnd, TTM_GETTOOLCOUNT, 0, 0); }
