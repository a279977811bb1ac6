// The real meter window on a scripted capture device: every position query completes a half;
// from the N-th buffer lock on (up to the M-th, if given) locking fails, so that the capture
// thread raises its error box; the device opens whose bit is set in MASK (hexadecimal, bit 0:
// the one at start-up) fail with their box on the window's thread. Started by the robustness
// tests, which answer the boxes and close the window from outside. Exit code 0 only when every
// capture object and buffer was released exactly once and none was used after its release, and
// no capture object was refused for a device that another one still held (the program's own
// overlap: 5).
//   fake_device_meter.exe N [M [MASK]]      N 0: no lock fails
#include <windows.h>

#include <commctrl.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "framework/afxwinapp.h"
#include "tests/fakes/fake_dsound.h"
#include "ui/meter_dialog.h"

namespace {

const int kExitFakeLeft = 3;    // a capture object or buffer was not released, or too often
const int kExitBadArgument = 4;
const int kExitDeviceRefused = 5;  // a second capture object on a device still held

void Complain(const char* text) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (error && error != INVALID_HANDLE_VALUE) WriteFile(error, text, (DWORD)lstrlenA(text), &written, nullptr);
}

class CFakeDeviceMeterApp : public CWinApp {
public:
    // Named like the program, so that its boxes carry the program's title.
    CFakeDeviceMeterApp() : CWinApp("Quorvel"), m_exitCode(0) {}

    BOOL InitInstance() override {
        int failingLock = __argc > 1 ? std::atoi(__argv[1]) : -1;
        int lastFailingLock = __argc > 2 ? std::atoi(__argv[2]) : INT_MAX;
        unsigned long long failingOpens = __argc > 3 ? std::strtoull(__argv[3], nullptr, 16) : 0;
        if (failingLock < 0 || lastFailingLock < failingLock) {
            Complain("usage: fake_device_meter.exe N [M [MASK]] (failing buffer locks N to M, from 1; 0: none; "
                     "MASK: failing device opens)\n");
            m_exitCode = kExitBadArgument;
            return FALSE;
        }
        CoInitialize(nullptr);  // result deliberately ignored: the dialog initialises it too
        FakeDirectSound& fake = FakeDirectSound::Get();
        fake.Reset();
        fake.script.advancePerQuery = 4097;  // with a buffer of 8192 bytes: a half at every pass
        if (failingLock > 0) fake.script.lockResult = DSERR_INVALIDCALL;
        fake.script.lockFailsFromCall = failingLock;
        fake.script.lockFailsToCall = lastFailingLock;
        fake.script.failingInitializes = failingOpens;
        if (!fake.Install()) {
            Complain("the fake DirectSound cannot be installed\n");
            m_exitCode = kExitFakeLeft;
            return FALSE;
        }

        InitCommonControls();
        CWinApp::InitInstance();
        {
            CMeterDialog dialog;
            m_pMainWnd = &dialog;
            dialog.DoModal();  // result deliberately ignored: the exit code tells what was left
            m_pMainWnd = nullptr;
        }
        fake.Uninstall();

        char report[200];
        std::snprintf(report, sizeof(report),
                      "fake device: %d locks, %d live, %d released too often, %d used after release, %d refused as "
                      "still held\n",
                      fake.LockCalls(), fake.LiveObjects(), fake.OverReleases(), fake.UsesAfterRelease(),
                      fake.DeviceRefusals());
        Complain(report);
        if (fake.LiveObjects() != 0 || fake.OverReleases() != 0 || fake.UsesAfterRelease() != 0)
            m_exitCode = kExitFakeLeft;
        else if (fake.DeviceRefusals() != 0)
            m_exitCode = kExitDeviceRefused;
        return FALSE;
    }

    int ExitInstance() override { return m_exitCode; }

private:
    int m_exitCode;
};

CFakeDeviceMeterApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    return AfxWinMain(instance, previous, commandLine, showCommand);
}
