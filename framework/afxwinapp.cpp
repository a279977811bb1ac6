#include "framework/afxwinapp.h"

#include <cstring>

#include "framework/afxwnd.h"

namespace {

CWinApp* g_app = nullptr;

CString ExecutableBaseName() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return CString("Application");
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    const char* dot = std::strrchr(name, '.');
    return dot ? CString(name, (int)(dot - name)) : CString(name);
}

// A box raised on the thread of the main window belongs to it (or to the info dialog it has
// open, rather than to the main window it disables); on another thread, to that thread's
// active window, if any.
HWND MessageBoxOwner() {
    HWND main = g_app && g_app->m_pMainWnd ? g_app->m_pMainWnd->m_hWnd : nullptr;
    if (main && ::IsWindow(main) && ::GetWindowThreadProcessId(main, nullptr) == ::GetCurrentThreadId())
        return ::GetLastActivePopup(main);
    return ::GetActiveWindow();
}

}  // namespace

CWinApp::CWinApp(const char* appName)
    : m_pszAppName(nullptr), m_hInstance(GetModuleHandleA(nullptr)), m_pMainWnd(nullptr),
      m_appName(appName ? CString(appName) : ExecutableBaseName()) {
    m_pszAppName = m_appName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::DoMessageBox(const char* text, UINT type, UINT /*helpId*/) {
    if ((type & MB_ICONMASK) == 0) {
        UINT buttons = type & MB_TYPEMASK;
        if (buttons == MB_OK || buttons == MB_OKCANCEL) type |= MB_ICONEXCLAMATION;
    }
    return MessageBoxA(MessageBoxOwner(), text, m_pszAppName, type);
}

HICON CWinApp::LoadIcon(UINT id) const { return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id)); }

HCURSOR CWinApp::LoadCursor(UINT id) const {
    return ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : GetModuleHandleA(nullptr); }

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

int AfxMessageBox(const char* text, UINT type, UINT helpId) {
    if (g_app) return g_app->DoMessageBox(text, type, helpId);
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    return MessageBoxA(nullptr, text, nullptr, type);
}

int AfxWinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!g_app) return 1;
    g_app->m_hInstance = instance;
    g_app->InitInstance();  // no message loop of the framework's own follows either way
    return g_app->ExitInstance();
}
