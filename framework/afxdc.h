#pragma once
// CDC and the two contexts of a window: CClientDC for its client area at any time, CPaintDC
// inside WM_PAINT.
#include <windows.h>

#include "framework/afxtypes.h"

class CWnd;

class CDC {
public:
    CDC() : m_hDC(nullptr) {}
    virtual ~CDC() = default;

    HDC m_hDC;
    operator HDC() const { return m_hDC; }
    void Attach(HDC dc) { m_hDC = dc; }
    HDC Detach() {
        HDC dc = m_hDC;
        m_hDC = nullptr;
        return dc;
    }

    // Solid fill without a brush: an opaque text output of no text over the rectangle.
    void FillSolidRect(int x, int y, int width, int height, COLORREF color);
    void FillSolidRect(LPCRECT rect, COLORREF color);

    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    // length: bytes of the UTF-8 text.
    BOOL TextOut(int x, int y, const char* text, int length);

    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* window);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};
