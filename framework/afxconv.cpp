#include "framework/afxconv.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

std::wstring AfxToWide(const char* text, int length) {
    if (!text) return std::wstring();
    if (length < 0) length = (int)std::strlen(text);
    if (length == 0) return std::wstring();
    int needed = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide((size_t)needed, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, length, &wide[0], needed);
    return wide;
}

CString AfxFromWide(const wchar_t* text, int length) {
    if (!text) return CString();
    if (length < 0) length = (int)std::wcslen(text);
    if (length == 0) return CString();
    int needed = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return CString();
    CString result;
    char* buffer = result.GetBuffer(needed);
    int written = WideCharToMultiByte(CP_UTF8, 0, text, length, buffer, needed, nullptr, nullptr);
    result.ReleaseBuffer(written > 0 ? written : 0);
    return result;
}
