#pragma once
// The arithmetic of the two level bars and the activity strip, free of windows: the dialog
// feeds it the values of a tick and carries out the fills it plans.
#include <windows.h>

struct BarColours {
    COLORREF background;     // between level and held maximum, and the strip
    COLORREF beyondMaximum;  // from the held maximum to the bar's end
    COLORREF red;
    COLORREF yellow;
    COLORREF green;
    COLORREF marker;         // peak-hold markers and activity marks
};

BarColours MeterColours();

// A bar's size and its zone boundaries: yellow from 80 %, red from 95 % of the width.
struct BarGeometry {
    LONG width;
    LONG height;
    LONG threshold80;
    LONG threshold95;
};

BarGeometry MakeBarGeometry(LONG width, LONG height);

// x of a value 0..255 on a bar: width * value / 256.
LONG BarPosition(LONG width, LONG value);

// The peak-hold marker falls one pixel per tick until the level position catches it.
LONG NextPeakMarker(LONG marker, LONG levelPosition);

enum { kLeftBar = 0, kRightBar = 1 };

struct BarFill {
    int bar;  // kLeftBar or kRightBar
    LONG x;
    LONG width;  // over the bar's full height
    COLORREF colour;
};

// What the bars keep: the level positions of the last tick, and the peak-hold markers, which
// carry over from tick to tick.
struct BarState {
    LONG levelPosition[2];
    LONG peakMarker[2];
};

const int kMaxBarFills = 12;

// One tick of both bars for the levels and held maxima (each maximum at least its level): moves
// the level positions and the peak-hold markers in state, and gives the fills that draw the
// bars, in drawing order; their number is returned. Both levels negative: nothing at all.
int TickLevelBars(const BarGeometry (&bars)[2], const BarColours& colours, const LONG (&levels)[2],
                  const LONG (&maxima)[2], BarState* state, BarFill (&fills)[kMaxBarFills]);

// x of the four activity marks: block count, +2, +4, +6, each modulo the strip width.
// A strip of width 0 has no marks (false).
bool ActivityMarks(DWORD blockCount, DWORD stripWidth, DWORD (&marks)[4]);
