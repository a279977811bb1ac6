#include "framework/afxmainwnd.h"

#include "framework/afxwinapp.h"
#include "framework/afxwnd.h"

HWND AfxGetMessageBoxOwner() {
    CWinApp* app = AfxGetApp();
    HWND main = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    if (main && ::IsWindow(main) && ::GetWindowThreadProcessId(main, nullptr) == ::GetCurrentThreadId())
        return ::GetLastActivePopup(main);  // an open info dialog rather than the disabled main window
    return ::GetActiveWindow();
}
