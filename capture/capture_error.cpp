#include "capture/capture_error.h"

#include <cstdio>
#include <cstring>

#include "framework/afxconv.h"
#include "framework/afxstring.h"
#include "framework/afxwinapp.h"

void DescribeResultCode(HRESULT result, char (&text)[256]) {
    text[0] = 0;
    wchar_t* description = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, (DWORD)result, 0, reinterpret_cast<wchar_t*>(&description), 0, nullptr);
    if (length != 0 && description) {
        CString utf8 = AfxFromWide(description, (int)length);
        // Cut at 255 bytes without splitting a character (a UTF-8 sequence), then drop the line
        // break and blanks the platform puts at the end.
        const char* bytes = utf8;
        size_t kept = (size_t)utf8.GetLength();
        if (kept > sizeof(text) - 1) {
            kept = sizeof(text) - 1;
            while (kept > 0 && ((unsigned char)bytes[kept] & 0xC0) == 0x80) --kept;
        }
        while (kept > 0 && std::strchr(" \t\r\n", bytes[kept - 1])) --kept;
        std::memcpy(text, bytes, kept);
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
