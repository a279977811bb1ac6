#include "app/meter_app.h"

#include <commctrl.h>

#include "ui/meter_dialog.h"

CMeterApp theApp;

CMeterApp::CMeterApp() : CWinApp(nullptr) {}

CMeterApp::~CMeterApp() = default;

BOOL CMeterApp::InitInstance() {
    InitCommonControls();
    CWinApp::InitInstance();
    {
        CMeterDialog dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();  // result deliberately ignored: closing is the only way out
        m_pMainWnd = nullptr;
    }
    // No message loop of our own: the process ends with the window.
    return FALSE;
}
