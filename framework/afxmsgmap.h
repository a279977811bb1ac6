#pragma once
// Static message maps: each window class lists (message, notification code, control id) ->
// member function, searched from the most derived class to CWnd. An entry's thunk unpacks the
// message parameters and calls the member on the right class.
#include <windows.h>

#include "framework/afxtypes.h"

class CWnd;

typedef LRESULT (*AFX_MSG_THUNK)(CWnd* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT message;  // 0 ends a map
    UINT code;     // notification code (WM_COMMAND entries)
    UINT id;       // control id (WM_COMMAND entries)
    AFX_MSG_THUNK thunk;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                  \
        typedef theClass ThisClass;                                                     \
        typedef baseClass TheBaseClass;                                                 \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                      \
    {0, 0, 0, nullptr}};                                                       \
    static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries}; \
    return &map;                                                               \
    }

#define AFX_THUNK(body) [](CWnd* w, WPARAM wParam, LPARAM lParam) -> LRESULT { \
        ThisClass* self = static_cast<ThisClass*>(w);                          \
        (void)self; (void)wParam; (void)lParam;                                \
        body                                                                   \
    }

#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, 0, (UINT)(id), AFX_THUNK(self->memberFxn(); return 0;)},
#define ON_CONTROL(code, id, memberFxn) \
    {WM_COMMAND, (UINT)(code), (UINT)(id), AFX_THUNK(self->memberFxn(); return 0;)},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)

// A plain message handler: LRESULT member(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
    {(UINT)(message), 0, 0, AFX_THUNK(return self->memberFxn(wParam, lParam);)},

#define ON_WM_SYSCOMMAND() \
    {WM_SYSCOMMAND, 0, 0, AFX_THUNK(self->OnSysCommand((UINT)wParam, lParam); return 0;)},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, AFX_THUNK(self->OnPaint(); return 0;)},
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, 0, AFX_THUNK(return (LRESULT)self->OnQueryDragIcon();)},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, AFX_THUNK(self->OnTimer((UINT_PTR)wParam); return 0;)},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, AFX_THUNK(self->OnClose(); return 0;)},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, AFX_THUNK(self->OnDestroy(); return 0;)},

#define AFX_MOUSE_ENTRY(message, memberFxn) \
    {message, 0, 0, AFX_THUNK(self->memberFxn((UINT)wParam, CPoint(lParam)); return 0;)},
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
