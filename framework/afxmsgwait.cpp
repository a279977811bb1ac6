#include "framework/afxmsgwait.h"

#include "framework/afxdialog.h"

void AfxWaitDispatchingMessages(DWORD count, const HANDLE* objects) {
    bool quit = false;
    WPARAM quitCode = 0;
    bool done = false;
    while (!done) {
        DWORD result = MsgWaitForMultipleObjects(count, objects, FALSE, INFINITE, QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + count) break;  // signalled, or the wait itself failed
        MSG msg;
        // Looked at after every message: handlers that post the next message as they go (a close
        // ending a loop that this wait runs inside) would otherwise hide the signal for good.
        while (!done && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
            } else if (!AfxPreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            done = WaitForMultipleObjects(count, objects, FALSE, 0) != WAIT_TIMEOUT;
        }
    }
    if (quit) PostQuitMessage((int)quitCode);
}
