#pragma once
// Pictures of the X screen. Reading another process's pixels through GDI does not work under
// Wine, so the test takes a screenshot of the X root (whose coordinates are the screen
// coordinates of Wine's windows here) and reads the pixels from it.
#include <windows.h>

#include <string>
#include <vector>

class Screenshot {
public:
    bool Take(std::string* error);
    // Parses a binary PPM (P6), 8 or 16 bits per sample.
    bool Parse(const std::string& ppm, std::string* error);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    COLORREF Pixel(int x, int y) const;  // CLR_INVALID outside the picture

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<BYTE> m_rgb;
};

// A window's client area in screen coordinates.
RECT ScreenClientRect(HWND window);
// "RGB(r, g, b)", for messages.
std::string ColourName(COLORREF colour);
