#include "ui/level_bars.h"

BarColours MeterColours() {
    BarColours colours;
    colours.background = RGB(0, 0, 0);
    colours.beyondMaximum = RGB(80, 80, 80);
    colours.red = RGB(192, 0, 0);
    colours.yellow = RGB(192, 192, 0);
    colours.green = RGB(0, 192, 0);
    colours.marker = RGB(120, 0, 255);
    return colours;
}

BarGeometry MakeBarGeometry(LONG width, LONG height) {
    BarGeometry bar;
    bar.width = width;
    bar.height = height;
    bar.threshold80 = (4 * width) / 5;
    bar.threshold95 = (95 * width) / 100;
    return bar;
}

LONG BarPosition(LONG width, LONG value) { return (width * value) / 256; }

LONG NextPeakMarker(LONG marker, LONG levelPosition) {
    return marker > levelPosition ? marker - 1 : levelPosition;
}

int TickLevelBars(const BarGeometry (&bars)[2], const BarColours& colours, const LONG (&levels)[2],
                  const LONG (&maxima)[2], BarState* state, BarFill (&fills)[kMaxBarFills]) {
    if (levels[kLeftBar] < 0 && levels[kRightBar] < 0) return 0;
    int count = 0;
    auto fill = [&](int bar, LONG x, LONG width, COLORREF colour) { fills[count++] = {bar, x, width, colour}; };

    LONG maximumPosition[2];
    for (int bar = kLeftBar; bar <= kRightBar; ++bar) {
        state->levelPosition[bar] = BarPosition(bars[bar].width, levels[bar]);
        maximumPosition[bar] = BarPosition(bars[bar].width, maxima[bar]);
    }
    for (int bar = kLeftBar; bar <= kRightBar; ++bar)
        fill(bar, state->levelPosition[bar], maximumPosition[bar] - state->levelPosition[bar], colours.background);
    for (int bar = kLeftBar; bar <= kRightBar; ++bar)
        fill(bar, maximumPosition[bar], bars[bar].width - maximumPosition[bar], colours.beyondMaximum);
    for (int bar = kLeftBar; bar <= kRightBar; ++bar)
        state->peakMarker[bar] = NextPeakMarker(state->peakMarker[bar], state->levelPosition[bar]);
    for (int bar = kLeftBar; bar <= kRightBar; ++bar) fill(bar, state->peakMarker[bar], 1, colours.marker);
    for (int bar = kLeftBar; bar <= kRightBar; ++bar) {
        LONG p = state->levelPosition[bar];
        LONG t80 = bars[bar].threshold80, t95 = bars[bar].threshold95;
        if (p < t80) {
            fill(bar, 0, p, colours.green);
        } else if (p < t95) {
            fill(bar, 0, t80, colours.green);
            fill(bar, t80, p - t80, colours.yellow);
        } else {
            fill(bar, 0, t80, colours.green);
            fill(bar, t80, t95 - t80, colours.yellow);
            fill(bar, t95, p - t95, colours.red);
        }
    }
    return count;
}

bool ActivityMarks(DWORD blockCount, DWORD stripWidth, DWORD (&marks)[4]) {
    if (stripWidth == 0) return false;
    for (DWORD i = 0; i < 4; ++i) marks[i] = (blockCount + 2 * i) % stripWidth;
    return true;
}
