#include "framework/afxwnd.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "framework/afxconv.h"
#include "framework/afxmenu.h"

namespace {

struct CurrentMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The message each thread is processing, for Default(); nested messages save and restore it.
thread_local CurrentMessage t_current = {};

// The windows of this thread inside a move or size loop of the window system, innermost last.
// The thread's state does not always show such a loop: after a dialog ran inside it, Wine has
// forgotten it while it goes on. The windows' own notices of it count.
thread_local std::vector<HWND> t_sizeMoveWindows;

// Windows are attached and looked up on the thread that runs them, the window thread.
std::map<HWND, CWnd*>& HandleMap() {
    static std::map<HWND, CWnd*> map;
    return map;
}

}  // namespace

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr), m_wrapperOnly(false) {}

CWnd::~CWnd() {
    m_controlWrappers.clear();
    if (m_hWnd && !m_wrapperOnly) {
        // An object that goes before its window takes the window with it.
        ::DestroyWindow(m_hWnd);
        if (m_hWnd) Detach();  // not attached: no WM_NCDESTROY came back to us
    }
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
    auto found = HandleMap().find(window);
    return found == HandleMap().end() ? nullptr : found->second;
}

void CWnd::AttachPermanent(HWND window) {
    m_hWnd = window;
    HandleMap()[window] = this;
}

void CWnd::Detach() {
    auto found = HandleMap().find(m_hWnd);
    if (found != HandleMap().end() && found->second == this) HandleMap().erase(found);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
}

BOOL CWnd::SubclassWindow(HWND window) {
    if (m_hWnd || !window || FromHandlePermanent(window)) return FALSE;
    AttachPermanent(window);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    if (!m_pfnSuper) {
        Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!parent) return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, (int)id));
}

CWnd* CWnd::GetDlgItem(int id) { return GetDlgControl<CWnd>(id); }

void CWnd::SetWindowText(const char* text) { AfxSetWindowText(m_hWnd, text); }

void CWnd::GetWindowText(CString& text) const { text = AfxGetWindowText(m_hWnd); }

void CWnd::SetDlgItemText(int id, const char* text) { ::SetDlgItemTextW(m_hWnd, id, AfxToWide(text).c_str()); }

void CWnd::GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }

void CWnd::GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }

BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

HFONT CWnd::GetFont() const { return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)); }

CMenu CWnd::GetSystemMenu(BOOL revert) const { return CMenu(::GetSystemMenu(m_hWnd, revert)); }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(t_current.message, t_current.wParam, t_current.lParam); }

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_DRAWITEM && lParam) {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType != ODT_MENU)
            if (CWnd* child = FromHandlePermanent(item->hwndItem))
                if (child->OnChildNotify(message, wParam, lParam, result)) return TRUE;
    }
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->message != 0; ++entry) {
            if (entry->message != message) continue;
            if (message == WM_COMMAND && (entry->id != LOWORD(wParam) || entry->code != HIWORD(wParam)))
                continue;
            *result = entry->thunk(this, wParam, lParam);
            return TRUE;
        }
    }
    return FALSE;
}

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnPaint() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(window);
    if (!wnd) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_ENTERSIZEMOVE) t_sizeMoveWindows.push_back(window);
    if (message == WM_EXITSIZEMOVE || message == WM_NCDESTROY) {
        auto found = std::find(t_sizeMoveWindows.rbegin(), t_sizeMoveWindows.rend(), window);
        if (found != t_sizeMoveWindows.rend()) t_sizeMoveWindows.erase(std::next(found).base());
    }
    CurrentMessage saved = t_current;
    t_current = {window, message, wParam, lParam};
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    t_current = saved;
    if (message == WM_NCDESTROY) {
        wnd->m_controlWrappers.clear();
        wnd->Detach();
        wnd->PostNcDestroy();
    }
    return result;
}

HWND AfxSizeMoveWindow() { return t_sizeMoveWindows.empty() ? nullptr : t_sizeMoveWindows.back(); }

void AfxSetWindowText(HWND window, const char* text) { ::SetWindowTextW(window, AfxToWide(text).c_str()); }

CString AfxGetWindowText(HWND window) {
    int length = ::GetWindowTextLengthW(window);
    if (length <= 0) return CString();
    std::vector<wchar_t> buffer((size_t)length + 1, L'\0');
    int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
    return AfxFromWide(buffer.data(), copied > 0 && copied <= length ? copied : 0);
}
