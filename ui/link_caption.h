#pragma once
// The link button's caption, free of windows: where the button moves to fit it, where it is
// drawn, and how it looks (colour, underline).
#include <windows.h>

// The window rectangle that fits the caption with 2 pixels of margin, around the centre of the
// current one (both in the parent's client coordinates). Integer halves: an odd caption's last
// column or row falls in the right or bottom margin.
RECT LinkButtonRect(const RECT& windowInParent, SIZE caption);

// Where to draw the caption so that the box it covers (relative to its drawing origin) is
// centred in the item rectangle.
POINT LinkCaptionOrigin(const RECT& item, const RECT& drawnBox);

// Underline mode 1: always; 2: while hovering; anything else: never.
bool LinkCaptionUnderlined(int underlineMode, int hovering);

COLORREF LinkCaptionColour(int hovering, int hoverColourEnabled, COLORREF linkColour, COLORREF hoverColour);
