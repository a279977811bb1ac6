#pragma once
#include <windows.h>

// Owner for a message box raised on the calling thread: the application's main window when
// this thread runs it, else this thread's active window, else none (a worker thread's box).
HWND AfxGetMessageBoxOwner();
