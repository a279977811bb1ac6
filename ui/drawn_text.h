#pragma once
// Where the pixels of a text fall when TextOut draws it in a context's current font.
#include <windows.h>

// The box that drawing the text at the origin (0, 0) covers, relative to that origin: across,
// from its first to its last inked column; down, its cell (the extent's height) and any ink
// beyond it. Fonts can draw wider or narrower than any of their metrics say (Liberation Sans
// under Wine: 4 pixels wider over a web host name at 8 points and 96 dpi, 9 narrower at 144),
// so the text is drawn off-screen once and its pixels looked at. Without ink (blanks only), or
// when no off-screen bitmap can be made, the extent itself.
// The text is UTF-8, length its bytes.
RECT DrawnTextBox(HDC dc, const char* text, int length);
