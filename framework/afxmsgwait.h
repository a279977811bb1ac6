#pragma once
#include <windows.h>

// Waits until one of the objects is signalled while dispatching the calling thread's messages,
// each first offered for pre-translation as the modal loop does, so that its windows keep
// working meanwhile, keyboard navigation and tooltips included. A WM_QUIT met on the way is
// posted again afterwards.
void AfxWaitDispatchingMessages(DWORD count, const HANDLE* objects);
