#include "info/version_info.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <new>

#include "framework/afxconv.h"

namespace {

// Process-wide and filled once; only the user-interface thread comes here, so there is no lock.
bool g_loaded = false;
CString g_productVersion;
CString g_productName;
CString g_legalText;

const DWORD kPathBufferSize = 260;

// Read wide, so that a folder whose name holds characters outside the system's code page is
// still found. False when the path fills the whole buffer: it may then be cut short (naming
// some other file) and, on older systems, lack its terminating zero.
bool GetExecutablePath(wchar_t (&path)[kPathBufferSize]) {
    DWORD length = GetModuleFileNameW(nullptr, path, kPathBufferSize);
    return length != 0 && length < kPathBufferSize;
}

// The product version from the fixed part; a value too short to hold the whole structure
// counts as missing rather than being read beyond its end.
void ReadProductVersion(const void* block) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return;
    const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    g_productVersion.Format("%u.%u.%u.%u", (unsigned)HIWORD(fixed->dwProductVersionMS),
                            (unsigned)LOWORD(fixed->dwProductVersionMS),
                            (unsigned)HIWORD(fixed->dwProductVersionLS),
                            (unsigned)LOWORD(fixed->dwProductVersionLS));
}

// The first language and code page pair; later pairs are ignored. Anything shorter than one
// whole pair counts as a failed query.
bool ReadFirstTranslation(const void* block, WORD& language, WORD& codePage) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, L"\\VarFileInfo\\Translation", &value, &length) ||
        length < 2 * sizeof(WORD))
        return false;
    const WORD* pair = static_cast<const WORD*>(value);
    language = pair[0];
    codePage = pair[1];
    return true;
}

// A string value of the translation's block ("StringFileInfo\040704E4\ProductName": language
// first, upper-case hexadecimal, no leading backslash), read wide: the resource holds UTF-16,
// which the narrow query would squeeze into the system's code page. Copied up to its
// terminating zero but never past the length the platform reports (in characters), since the
// value need not end in a zero. A missing or empty value leaves the text as it was.
void ReadStringValue(const void* block, WORD language, WORD codePage, const wchar_t* name,
                     CString& text) {
    wchar_t path[64];
    std::swprintf(path, sizeof(path) / sizeof(path[0]), L"StringFileInfo\\%04X%04X\\%ls", (unsigned)language,
                  (unsigned)codePage, name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, path, &value, &length) || length == 0) return;
    const wchar_t* chars = static_cast<const wchar_t*>(value);
    text = AfxFromWide(chars, (int)wcsnlen(chars, length));
}

void ReadVersionResource() {
    wchar_t path[kPathBufferSize];
    if (!GetExecutablePath(path)) return;
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &unused);
    if (size == 0) return;  // no version resource
    std::unique_ptr<char[]> block(new (std::nothrow) char[size]);
    if (!block || !GetFileVersionInfoW(path, 0, size, block.get())) return;

    ReadProductVersion(block.get());
    WORD language = 0;
    WORD codePage = 0;
    if (!ReadFirstTranslation(block.get(), language, codePage)) return;
    ReadStringValue(block.get(), language, codePage, L"ProductName", g_productName);
    ReadStringValue(block.get(), language, codePage, L"LegalCopyright", g_legalText);
}

}  // namespace

void LoadVersionInfo() {
    if (g_loaded) return;
    ReadVersionResource();
    g_loaded = true;  // however the reading went: it is never tried again
}

CString GetProductVersion() {
    LoadVersionInfo();
    return g_productVersion;
}

CString GetProductName() {
    LoadVersionInfo();
    return g_productName;
}

CString GetLegalCopyright() {
    LoadVersionInfo();
    return g_legalText;
}
