#include "tests/ui/dialog_template.h"

#include <vector>

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Steps over a name-or-ordinal field (0xFFFF and a number, or a zero-terminated wide string).
bool SkipNameOrOrdinal(const BYTE* data, DWORD size, DWORD* at) {
    if (*at + 2 > size) return false;
    WORD first = *reinterpret_cast<const WORD*>(data + *at);
    if (first == 0xFFFF) {
        *at += 4;
        return *at <= size;
    }
    for (;;) {
        if (*at + 2 > size) return false;
        WORD c = *reinterpret_cast<const WORD*>(data + *at);
        *at += 2;
        if (c == 0) return true;
    }
}

DWORD AlignToDword(DWORD at) { return (at + 3) & ~3u; }

}  // namespace

TemplateLayout::~TemplateLayout() {
    if (m_dialog) DestroyWindow(m_dialog);
    if (m_module) FreeLibrary(m_module);
}

// Extended dialog template: dlgVer, signature 0xFFFF, helpID, exStyle, style, item count,
// x, y, cx, cy, menu, class, title, [point size, weight, italic, charset, typeface], then
// DWORD-aligned items: helpID, exStyle, style, x, y, cx, cy, DWORD id, class, title, extra count.
bool TemplateLayout::ReadControls(const BYTE* data, DWORD size) {
    if (size < 26 || *reinterpret_cast<const WORD*>(data + 2) != 0xFFFF) return false;
    DWORD style = *reinterpret_cast<const DWORD*>(data + 12);
    WORD items = *reinterpret_cast<const WORD*>(data + 16);
    DWORD at = 26;
    for (int field = 0; field < 3; ++field)
        if (!SkipNameOrOrdinal(data, size, &at)) return false;
    if (style & DS_SETFONT) {
        at += 6;
        if (!SkipNameOrOrdinal(data, size, &at)) return false;
    }
    for (WORD item = 0; item < items; ++item) {
        at = AlignToDword(at);
        if (at + 24 > size) return false;
        const SHORT* box = reinterpret_cast<const SHORT*>(data + at + 12);
        int id = (int)*reinterpret_cast<const LONG*>(data + at + 20);
        RECT units = {box[0], box[1], box[0] + box[2], box[1] + box[3]};
        m_units[id] = units;
        at += 24;
        if (!SkipNameOrOrdinal(data, size, &at) || !SkipNameOrOrdinal(data, size, &at) || at + 2 > size) return false;
        at += 2 + *reinterpret_cast<const WORD*>(data + at);
    }
    return true;
}

bool TemplateLayout::Load(const std::string& programWindowsPath, int templateId, std::string* error) {
    m_module = LoadLibraryExA(programWindowsPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m_module) {
        *error = "cannot load " + programWindowsPath + " as data";
        return false;
    }
    HRSRC resource = FindResourceA(m_module, MAKEINTRESOURCEA(templateId), (LPCSTR)RT_DIALOG);
    HGLOBAL loaded = resource ? LoadResource(m_module, resource) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    DWORD size = resource ? SizeofResource(m_module, resource) : 0;
    if (!data || !ReadControls(data, size)) {
        *error = "dialog template " + std::to_string(templateId) + " missing or unreadable";
        return false;
    }
    // A hidden copy: the template itself asks to be visible.
    std::vector<BYTE> copy(data, data + size);
    *reinterpret_cast<DWORD*>(&copy[12]) &= ~(DWORD)WS_VISIBLE;
    m_dialog = CreateDialogIndirectParamA(m_module, reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()), nullptr,
                                          QuietDialogProc, 0);
    if (!m_dialog) {
        *error = "cannot lay out dialog template " + std::to_string(templateId);
        return false;
    }
    return true;
}

bool TemplateLayout::TemplateRect(int controlId, RECT* units) const {
    auto found = m_units.find(controlId);
    if (found == m_units.end()) return false;
    *units = found->second;
    return true;
}

bool TemplateLayout::PixelRect(int controlId, RECT* pixels) const {
    RECT units;
    if (!TemplateRect(controlId, &units)) return false;
    RECT origin = {units.left, units.top, 0, 0};
    RECT size = {units.right - units.left, units.bottom - units.top, 0, 0};
    if (!MapDialogRect(m_dialog, &origin) || !MapDialogRect(m_dialog, &size)) return false;
    *pixels = {origin.left, origin.top, origin.left + size.left, origin.top + size.top};
    return true;
}

bool TemplateLayout::PlacedRect(int controlId, RECT* pixels) const {
    HWND control = GetDlgItem(m_dialog, controlId);
    if (!control || !GetWindowRect(control, pixels)) return false;
    MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(pixels), 2);
    return true;
}

bool TemplateLayout::TextExtent(const std::string& text, SIZE* extent) const {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_dialog, WM_GETFONT, 0, 0));
    HDC dc = GetDC(m_dialog);
    if (!font || !dc) {
        if (dc) ReleaseDC(m_dialog, dc);
        return false;
    }
    HGDIOBJ previous = SelectObject(dc, font);
    BOOL measured = GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), extent);
    SelectObject(dc, previous);
    ReleaseDC(m_dialog, dc);
    return measured != FALSE;
}
