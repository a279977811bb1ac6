#pragma once
// Texts of windows read as the program writes them: wide, and compared as UTF-8 with the
// literals of the tests, so that a reading is the same under every system code page. Kept apart
// from the program's own conversion, which is what is under test.
#include <windows.h>

#include <string>

inline std::string Utf8(const wchar_t* text, int length = -1) {
    if (!text || length == 0) return "";
    int needed = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return "";
    std::string utf8((size_t)needed, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], needed, nullptr, nullptr);
    if (length < 0) utf8.resize(utf8.size() - 1);  // the terminating zero came along
    return utf8;
}

inline std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return L"";
    int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
    std::wstring wide((size_t)(needed > 0 ? needed : 0), L'\0');
    if (needed > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &wide[0], needed);
    return wide;
}
