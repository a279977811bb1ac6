#include "framework/afxmsgwait.h"

#include "framework/afxdialog.h"

void AfxWaitDispatchingMessages(DWORD count, const HANDLE* objects) {
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        DWORD result = MsgWaitForMultipleObjects(count, objects, FALSE, INFINITE, QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + count) break;  // signalled, or the wait itself failed
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            if (AfxPreTranslateMessage(&msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (quit) PostQuitMessage((int)quitCode);
}
