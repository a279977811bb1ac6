#include "ui/drawn_text.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "framework/afxconv.h"

namespace {

// A white 32-bit bitmap in a context of its own, released with the object.
class InkCanvas {
public:
    InkCanvas(HDC reference, LONG width, LONG height) : m_width(width) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down: row 0 first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_bitmap = ::CreateDIBSection(reference, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pixels), nullptr, 0);
        m_dc = ::CreateCompatibleDC(reference);
        if (!m_bitmap || !m_dc || !m_pixels) return;
        m_previousBitmap = ::SelectObject(m_dc, m_bitmap);
        std::memset(m_pixels, 0xFF, (size_t)width * height * sizeof(DWORD));
    }
    ~InkCanvas() {
        if (m_previousBitmap) ::SelectObject(m_dc, m_previousBitmap);
        if (m_dc) ::DeleteDC(m_dc);
        if (m_bitmap) ::DeleteObject(m_bitmap);
    }
    bool Ready() const { return m_previousBitmap != nullptr; }
    HDC Context() const { return m_dc; }
    bool Inked(LONG x, LONG y) const { return (m_pixels[y * m_width + x] & 0xFFFFFF) != 0xFFFFFF; }

    InkCanvas(const InkCanvas&) = delete;
    InkCanvas& operator=(const InkCanvas&) = delete;

private:
    LONG m_width;
    HBITMAP m_bitmap = nullptr;
    HDC m_dc = nullptr;
    DWORD* m_pixels = nullptr;
    HGDIOBJ m_previousBitmap = nullptr;
};

}  // namespace

RECT DrawnTextBox(HDC dc, const char* text, int length) {
    std::wstring wide = AfxToWide(text, length);
    SIZE extent = {0, 0};
    ::GetTextExtentPoint32W(dc, wide.c_str(), (int)wide.size(), &extent);  // result deliberately ignored: 0 x 0 then
    RECT box = {0, 0, extent.cx, extent.cy};
    if (length <= 0) return box;

    // Room for ink well beyond the extent on every side.
    const LONG marginX = extent.cx / 2 + extent.cy + 8, marginY = extent.cy + 8;
    InkCanvas canvas(dc, extent.cx + 2 * marginX, extent.cy + 2 * marginY);
    if (!canvas.Ready()) return box;
    HDC drawing = canvas.Context();
    HGDIOBJ previousFont = ::SelectObject(drawing, ::GetCurrentObject(dc, OBJ_FONT));
    ::SetTextAlign(drawing, ::GetTextAlign(dc));
    ::SetTextCharacterExtra(drawing, ::GetTextCharacterExtra(dc));
    ::SetTextColor(drawing, RGB(0, 0, 0));
    ::SetBkMode(drawing, TRANSPARENT);
    ::TextOutW(drawing, marginX, marginY, wide.c_str(), (int)wide.size());
    ::GdiFlush();
    ::SelectObject(drawing, previousFont);

    RECT ink = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = 0; y < extent.cy + 2 * marginY; ++y) {
        for (LONG x = 0; x < extent.cx + 2 * marginX; ++x) {
            if (!canvas.Inked(x, y)) continue;
            ink.left = std::min(ink.left, x - marginX);
            ink.top = std::min(ink.top, y - marginY);
            ink.right = std::max(ink.right, x - marginX + 1);
            ink.bottom = std::max(ink.bottom, y - marginY + 1);
        }
    }
    if (ink.right <= ink.left) return box;
    box.left = ink.left;
    box.right = ink.right;
    box.top = std::min(box.top, ink.top);
    box.bottom = std::max(box.bottom, ink.bottom);
    return box;
}
