#pragma once
#include <windows.h>

// Waits until the object is signalled while dispatching the calling thread's messages, so that
// its windows keep working meanwhile. A WM_QUIT met on the way is posted again afterwards.
void AfxWaitDispatchingMessages(HANDLE object);
