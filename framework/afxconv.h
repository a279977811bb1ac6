#pragma once
// The boundary between the program's texts (UTF-8, see afxstring.h) and the window system's
// (UTF-16): every text crosses it here, through the wide-character calls, so that it reads the
// same whatever the system's ANSI code page is.
#include <string>

#include "framework/afxstring.h"

// Null gives an empty text; length -1: up to the terminating zero. Bytes that are not UTF-8
// become U+FFFD.
std::wstring AfxToWide(const char* text, int length = -1);
CString AfxFromWide(const wchar_t* text, int length = -1);
