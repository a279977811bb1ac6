#include "capture/capture_error.h"

#include <cstdio>
#include <cstring>

#include "framework/afxstring.h"
#include "framework/afxwinapp.h"

void DescribeResultCode(HRESULT result, char (&text)[256]) {
    text[0] = 0;
    char* description = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, (DWORD)result, 0, reinterpret_cast<char*>(&description),
                                  0, nullptr);
    if (length != 0 && description) {
        // Cut at 255 characters without splitting a double-byte character, then drop the
        // line break and blanks the platform puts at the end.
        DWORD kept = 0;
        while (kept < length && kept < sizeof(text) - 1) {
            DWORD step = IsDBCSLeadByte((BYTE)description[kept]) ? 2 : 1;
            if (kept + step > sizeof(text) - 1) break;
            kept += step;
        }
        while (kept > 0 && std::strchr(" \t\r\n", description[kept - 1])) --kept;
        std::memcpy(text, description, kept);
        text[kept] = 0;
    }
    if (description) LocalFree(description);
    if (text[0] == 0) std::snprintf(text, sizeof(text), "0x%08lX", (unsigned long)result);
}

bool ReportCaptureError(HRESULT result, const char* message) {
    if (result >= 0) return true;
    char description[256];
    DescribeResultCode(result, description);
    CString text;
    text.Format("%s \n %s", description, message);
    AfxMessageBox(text, MB_OK);
    return false;
}
