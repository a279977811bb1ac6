#include "framework/afxmainwnd.h"

HWND AfxGetMessageBoxOwner() {
    // Until windows exist, the active window of this thread is the best owner there is.
    return GetActiveWindow();
}
