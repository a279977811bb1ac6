#pragma once
// CWinApp: the one application object of a process, and the message box that goes through it.
#include <windows.h>

#include "framework/afxstring.h"

class CWnd;

class CWinApp {
public:
    // appName null: the executable's file name without its extension.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    // The process's exit code, asked for once InitInstance has returned.
    virtual int ExitInstance();
    // Every AfxMessageBox ends here; tests replace it to record texts instead of showing boxes.
    virtual int DoMessageBox(const char* text, UINT type, UINT helpId);

    // From the program's resource module; shared handles that are never destroyed.
    HICON LoadIcon(UINT id) const;
    HCURSOR LoadCursor(UINT id) const;

    const char* m_pszAppName;
    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd;

private:
    CString m_appName;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The module that the program's icons, cursors, strings and dialog templates come from.
HINSTANCE AfxGetResourceHandle();

// A modal box with the application's name as title; MB_OK and MB_OKCANCEL get the exclamation icon.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);

// Runs the application object's InitInstance, then ExitInstance, whose result ends the process.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
