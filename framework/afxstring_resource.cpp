// Apart from afxstring.cpp: the string table belongs to the application's resource module,
// which the rest of CString does not need.
#include "framework/afxconv.h"
#include "framework/afxstring.h"
#include "framework/afxwinapp.h"

bool CString::LoadString(unsigned int id) {
    // With no buffer the call hands out the table's own text, whole and unterminated.
    const wchar_t* text = nullptr;
    int length = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    *this = length > 0 && text ? AfxFromWide(text, length) : CString();
    return !IsEmpty();
}
