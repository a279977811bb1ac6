#pragma once
// What the meter's bars and activity strip must look like on screen, by the rules the user's
// guide gives (not by the meter's own code), and the comparison of a screenshot with it.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/ui/screenshot.h"

// The meter's colours as the user sees them.
const COLORREF kGreen = RGB(0, 192, 0);
const COLORREF kYellow = RGB(192, 192, 0);
const COLORREF kRed = RGB(192, 0, 0);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kGrey = RGB(80, 80, 80);
const COLORREF kMarker = RGB(120, 0, 255);

bool IsBarColour(COLORREF colour);

// One row of a bar (every row of it is the same) whose level has stood still long enough for
// the peak-hold marker to settle on the level's end: zones up to the level, the marker, black
// up to the held maximum, grey beyond.
std::vector<COLORREF> SettledBarRow(LONG width, LONG level, LONG heldMaximum);
// Where a value 0..255 lies on a bar of that width: width * value / 256, whole pixels.
LONG BarX(LONG width, LONG value);

// The activity strip's row for a block count: black with four marks, two pixels apart, the
// first at the block count, all wrapping round the strip.
std::vector<COLORREF> ActivityRow(DWORD blockCount, DWORD width);

// Compares every row of the screen rectangle with the row; empty when all pixels agree,
// otherwise where and how they differ.
std::string CompareRows(const Screenshot& picture, const RECT& screenRect, const std::vector<COLORREF>& row);

// A row as runs of colour names ("green 0-427, yellow 428-507, ..."), for messages.
std::string DescribeRow(const std::vector<COLORREF>& row);
std::vector<COLORREF> PictureRow(const Screenshot& picture, int y, int left, int right);

// The columns of the activity strip that show a mark, if every row of the strip is the same
// black row with marks; otherwise false and what was seen.
bool ReadActivityMarks(const Screenshot& picture, const RECT& strip, std::vector<LONG>* marks, std::string* seen);
