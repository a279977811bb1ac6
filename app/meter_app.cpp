#include "app/meter_app.h"

#include <commctrl.h>

#include <cstring>

#include "ui/meter_dialog.h"

namespace {

// Without a window there is nothing to show a box on, so the text also goes to the standard
// error output where one is attached (a console, or the terminal that started the program).
void ReportNoWindow() {
    const char* text = "Quorvel cannot open its window: no display is available.\n";
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (error && error != INVALID_HANDLE_VALUE) WriteFile(error, text, (DWORD)std::strlen(text), &written, nullptr);
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

}  // namespace

CMeterApp theApp;

CMeterApp::CMeterApp() : CWinApp(nullptr), m_exitCode(0) {}

CMeterApp::~CMeterApp() = default;

int CMeterApp::ExitInstance() { return m_exitCode; }

BOOL CMeterApp::InitInstance() {
    InitCommonControls();
    CWinApp::InitInstance();
    {
        CMeterDialog dialog;
        m_pMainWnd = &dialog;
        // The result tells only whether the window could be made at all.
        if (dialog.DoModal() == -1) {
            ReportNoWindow();
            m_exitCode = 1;
        }
        m_pMainWnd = nullptr;
    }
    // No message loop of our own: the process ends with the window.
    return FALSE;
}
