#include "framework/afxmsgwait.h"

void AfxWaitDispatchingMessages(HANDLE object) {
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + 1) break;  // signalled, or the wait itself failed
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (quit) PostQuitMessage((int)quitCode);
}
