#pragma once
// CPoint and CRect: the platform's POINT and RECT with a few conveniences.
#include <windows.h>

class CPoint : public POINT {
public:
    explicit CPoint(LPARAM packed) {
        x = (short)LOWORD(packed);  // signed: positions left of or above a window are negative
        y = (short)HIWORD(packed);
    }
};

class CRect : public RECT {
public:
    CRect() { left = top = right = bottom = 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};
