// Apart from afxstring.cpp: the string table belongs to the application's resource module,
// which the rest of CString does not need.
#include "framework/afxstring.h"
#include "framework/afxwinapp.h"

bool CString::LoadString(unsigned int id) {
    // Grow until the text fits: LoadStringA cuts long strings short without saying so.
    for (int size = 256; size <= 65536; size *= 4) {
        char* buffer = GetBuffer(size);
        int length = ::LoadStringA(AfxGetResourceHandle(), id, buffer, size + 1);
        if (length < size) {
            ReleaseBuffer(length > 0 ? length : 0);
            return length > 0;
        }
    }
    ReleaseBuffer(0);
    return false;
}
