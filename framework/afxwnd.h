#pragma once
// CWnd: one object per window. A window attached to an object (a dialog created by the
// framework, or a control subclassed by DDX_Control) sends its messages through the object's
// message map; unhandled messages go on to the window's original procedure.
#include <windows.h>

#include <map>
#include <memory>
#include <typeindex>
#include <utility>

#include "framework/afxmsgmap.h"
#include "framework/afxstring.h"
#include "framework/afxtypes.h"

class CMenu;

class CWnd {
public:
    CWnd();
    virtual ~CWnd();

    HWND m_hWnd;

    // The object attached to the window, or null.
    static CWnd* FromHandlePermanent(HWND window);

    // Attaches this object to an existing window and routes its messages through the map.
    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    // The control as an object of this window: its attached object, or a wrapper of type T
    // that this window keeps until it is destroyed (one per control and type, so a pointer
    // once handed out stays valid whatever is asked for later). Null when there is no such
    // control.
    CWnd* GetDlgItem(int id);
    template <class T>
    T* GetDlgControl(int id);

    void SetWindowText(const char* text);
    void GetWindowText(CString& text) const;
    void SetDlgItemText(int id, const char* text);
    void GetClientRect(LPRECT rect) const;
    void GetWindowRect(LPRECT rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    BOOL IsIconic() const;
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
    BOOL KillTimer(UINT_PTR id);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    HICON SetIcon(HICON icon, BOOL bigIcon);
    HFONT GetFont() const;
    CMenu GetSystemMenu(BOOL revert) const;

    // Gives the window a chance at a message before it is translated and dispatched;
    // nonzero when it has been handled.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Where every message of an attached window arrives.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's original handling of the message being processed.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

protected:
    // Searches the message maps; true with *result when a handler took the message.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Messages a parent hands to the child object they concern (owner drawing); true if taken.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Called once the window is gone for good.
    virtual void PostNcDestroy() {}

    // Default handlers: the window's original handling.
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnTimer(UINT_PTR id);
    void OnClose();
    void OnDestroy();
    void OnMouseMove(UINT flags, CPoint point);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);
    void OnRButtonDblClk(UINT flags, CPoint point);
    void OnRButtonUp(UINT flags, CPoint point);

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    WNDPROC m_pfnSuper;  // the original procedure of a subclassed window
    bool m_wrapperOnly;  // a wrapper of a control it neither owns nor subclasses

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    void AttachPermanent(HWND window);
    void Detach();

    std::map<std::pair<HWND, std::type_index>, std::unique_ptr<CWnd>> m_controlWrappers;
};

LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The innermost window of this thread, among the framework's, in a move or size loop of the
// window system (between WM_ENTERSIZEMOVE and WM_EXITSIZEMOVE), or null.
HWND AfxSizeMoveWindow();

// A window's text, through the wide calls (see afxstring.h).
void AfxSetWindowText(HWND window, const char* text);
CString AfxGetWindowText(HWND window);

template <class T>
T* CWnd::GetDlgControl(int id) {
    HWND control = ::GetDlgItem(m_hWnd, id);
    if (!control) return nullptr;
    if (T* attached = dynamic_cast<T*>(FromHandlePermanent(control))) return attached;
    std::unique_ptr<CWnd>& wrapper = m_controlWrappers[{control, std::type_index(typeid(T))}];
    if (!wrapper) {
        wrapper.reset(new T);
        wrapper->m_hWnd = control;
        wrapper->m_wrapperOnly = true;
    }
    return static_cast<T*>(wrapper.get());
}
