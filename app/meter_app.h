#pragma once
// CMeterApp: starts the meter window and ends the process when it closes.
#include "framework/afxwinapp.h"

class CMeterApp : public CWinApp {
public:
    CMeterApp();
    ~CMeterApp() override;
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    int m_exitCode;
};
