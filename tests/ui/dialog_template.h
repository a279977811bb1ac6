#pragma once
// One of the program's dialog templates laid out, hidden, in the test process: the same
// template, font and screen as in the program, without any of the program's code. It gives the
// pixel rectangles that the dialog manager makes of the template's controls and the size of a
// text in the dialog's font.
#include <windows.h>

#include <map>
#include <string>

class TemplateLayout {
public:
    TemplateLayout() = default;
    ~TemplateLayout();
    TemplateLayout(const TemplateLayout&) = delete;
    TemplateLayout& operator=(const TemplateLayout&) = delete;

    // Reads the template from the program file (as data) and creates the dialog from it.
    bool Load(const std::string& programWindowsPath, int templateId, std::string* error);

    // The control's template rectangle in dialog units.
    bool TemplateRect(int controlId, RECT* units) const;
    // The same in pixels of the dialog's client area, mapped as the dialog manager places a
    // control: position and size each through MapDialogRect (mapping the corners instead can
    // round the far edge differently).
    bool PixelRect(int controlId, RECT* pixels) const;
    // Where the dialog manager put the control in this layout, in client pixels.
    bool PlacedRect(int controlId, RECT* pixels) const;
    // Width and height of a text in the dialog's font (GetTextExtentPoint32A).
    bool TextExtent(const std::string& text, SIZE* extent) const;

private:
    bool ReadControls(const BYTE* data, DWORD size);

    HMODULE m_module = nullptr;
    HWND m_dialog = nullptr;
    std::map<int, RECT> m_units;
};
