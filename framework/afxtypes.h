#pragma once
// CPoint, CSize and CRect: the platform's POINT, SIZE and RECT with a few conveniences.
#include <windows.h>

class CPoint : public POINT {
public:
    CPoint() { x = 0; y = 0; }
    CPoint(int px, int py) { x = px; y = py; }
    explicit CPoint(LPARAM packed) {
        x = (short)LOWORD(packed);  // signed: positions left of or above a window are negative
        y = (short)HIWORD(packed);
    }
};

class CSize : public SIZE {
public:
    CSize() { cx = 0; cy = 0; }
    CSize(int width, int height) { cx = width; cy = height; }
};

class CRect : public RECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& r) { left = r.left; top = r.top; right = r.right; bottom = r.bottom; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    bool operator==(const RECT& r) const {
        return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
    }
    bool operator!=(const RECT& r) const { return !(*this == r); }
};
