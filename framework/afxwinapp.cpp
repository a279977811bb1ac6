#include "framework/afxwinapp.h"

#include <cwchar>
#include <vector>

#include "framework/afxconv.h"
#include "framework/afxwnd.h"

namespace {

CWinApp* g_app = nullptr;

// The path may be longer than MAX_PATH and hold any characters: it is read wide, into a buffer
// that grows until the path fits.
CString ExecutableBaseName() {
    std::vector<wchar_t> path(MAX_PATH);
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(nullptr, path.data(), (DWORD)path.size());
        if (length == 0) return CString("Application");
        if (length < path.size()) break;
        if (path.size() >= 32768) return CString("Application");
        path.resize(path.size() * 2);
    }
    const wchar_t* name = path.data();
    for (const wchar_t* p = path.data(); *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    const wchar_t* dot = std::wcsrchr(name, L'.');
    return AfxFromWide(name, dot ? (int)(dot - name) : -1);
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
    : m_pszAppName(nullptr), m_hInstance(GetModuleHandleW(nullptr)), m_pMainWnd(nullptr),
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
    return MessageBoxW(MessageBoxOwner(), AfxToWide(text).c_str(), AfxToWide(m_pszAppName).c_str(), type);
}

HICON CWinApp::LoadIcon(UINT id) const { return ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id)); }

HCURSOR CWinApp::LoadCursor(UINT id) const {
    return ::LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : GetModuleHandleW(nullptr); }

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

int AfxMessageBox(const char* text, UINT type, UINT helpId) {
    if (g_app) return g_app->DoMessageBox(text, type, helpId);
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    return MessageBoxW(nullptr, AfxToWide(text).c_str(), nullptr, type);
}

int AfxWinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!g_app) return 1;
    g_app->m_hInstance = instance;
    g_app->InitInstance();  // no message loop of the framework's own follows either way
    return g_app->ExitInstance();
}
