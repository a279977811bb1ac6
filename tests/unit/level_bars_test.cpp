#include <gtest/gtest.h>

#include <vector>

#include "framework/afxdc.h"
#include "ui/level_bars.h"

namespace {

const BarColours kColours = MeterColours();

struct Bars {
    BarGeometry geometry[2];
    BarState state = {};
    BarFill fills[kMaxBarFills];
    int count = 0;

    Bars(LONG leftWidth, LONG rightWidth) {
        geometry[kLeftBar] = MakeBarGeometry(leftWidth, 10);
        geometry[kRightBar] = MakeBarGeometry(rightWidth, 10);
    }
    void Tick(LONG left, LONG right, LONG maxLeft, LONG maxRight) {
        const LONG levels[2] = {left, right};
        const LONG maxima[2] = {maxLeft, maxRight};
        count = TickLevelBars(geometry, kColours, levels, maxima, &state, fills);
    }
    // The colour of each pixel of one bar after the tick's fills, in order.
    std::vector<COLORREF> Pixels(int bar) const {
        std::vector<COLORREF> pixels(geometry[bar].width, 0xFFFFFFFF);
        for (int i = 0; i < count; ++i)
            if (fills[i].bar == bar)
                for (LONG x = fills[i].x; x < fills[i].x + fills[i].width; ++x) pixels.at(x) = fills[i].colour;
        return pixels;
    }
    // Which colour covers which stretch: "G0-204 Y204-205 ..." (B black, M beyond the maximum).
    std::string Zones(int bar) const {
        std::string text;
        for (int i = 0; i < count; ++i) {
            if (fills[i].bar != bar || fills[i].colour == kColours.marker) continue;
            char name = fills[i].colour == kColours.green ? 'G' : fills[i].colour == kColours.yellow ? 'Y'
                      : fills[i].colour == kColours.red ? 'R' : fills[i].colour == kColours.background ? 'B' : 'M';
            if (!text.empty()) text += ' ';
            text += name + std::to_string(fills[i].x) + "-" + std::to_string(fills[i].x + fills[i].width);
        }
        return text;
    }
};

}  // namespace

TEST(LevelBars, ColoursAndThresholds) {
    EXPECT_EQ(kColours.background, 0x000000u);
    EXPECT_EQ(kColours.beyondMaximum, 0x505050u);
    EXPECT_EQ(kColours.red, 0x0000C0u);
    EXPECT_EQ(kColours.yellow, 0x00C0C0u);
    EXPECT_EQ(kColours.green, 0x00C000u);
    EXPECT_EQ(kColours.marker, 0xFF0078u);
    BarGeometry bar = MakeBarGeometry(256, 9);
    EXPECT_EQ(bar.threshold80, 204);
    EXPECT_EQ(bar.threshold95, 243);
    bar = MakeBarGeometry(458, 9);
    EXPECT_EQ(bar.threshold80, 366);
    EXPECT_EQ(bar.threshold95, 435);
    EXPECT_EQ(BarPosition(458, 255), 456);
    EXPECT_EQ(BarPosition(458, 204), 364);
    EXPECT_EQ(BarPosition(256, 255), 255);
}

TEST(LevelBars, ZonesOnA256PixelBar) {
    Bars bars(256, 458);
    bars.Tick(203, 204, 255, 204);
    EXPECT_EQ(bars.Zones(kLeftBar), "B203-255 M255-256 G0-203");
    EXPECT_EQ(bars.Zones(kRightBar), "B364-364 M364-458 G0-364") << "458 wide: 204 stays green";
    bars.Tick(204, 255, 255, 255);
    EXPECT_EQ(bars.Zones(kLeftBar), "B204-255 M255-256 G0-204 Y204-204") << "an empty yellow part";
    EXPECT_EQ(bars.Zones(kRightBar), "B456-456 M456-458 G0-366 Y366-435 R435-456");
    bars.Tick(205, 0, 255, 0);
    EXPECT_EQ(bars.Zones(kLeftBar), "B205-255 M255-256 G0-204 Y204-205") << "one yellow column";
    bars.Tick(243, 0, 255, 0);
    EXPECT_EQ(bars.Zones(kLeftBar), "B243-255 M255-256 G0-204 Y204-243 R243-243");
    bars.Tick(255, 0, 255, 0);
    EXPECT_EQ(bars.Zones(kLeftBar), "B255-255 M255-256 G0-204 Y204-243 R243-255");
}

TEST(LevelBars, EveryPixelOnceExceptTheMarker) {
    Bars bars(307, 300);
    const LONG cases[][4] = {{0, 0, 0, 0}, {100, 7, 100, 200}, {255, 255, 255, 255}, {3, 250, 90, 251}, {50, 40, 60, 70}};
    for (const auto& c : cases) {
        bars.Tick(c[0], c[1], c[2], c[3]);
        for (int bar = kLeftBar; bar <= kRightBar; ++bar) {
            std::vector<int> covered(bars.geometry[bar].width, 0);
            LONG markerX = -1;
            for (int i = 0; i < bars.count; ++i) {
                if (bars.fills[i].bar != bar) continue;
                if (bars.fills[i].colour == kColours.marker) markerX = bars.fills[i].x;
                for (LONG x = bars.fills[i].x; x < bars.fills[i].x + bars.fills[i].width; ++x) ++covered.at(x);
            }
            for (LONG x = 0; x < bars.geometry[bar].width; ++x)
                EXPECT_EQ(covered[x], x == markerX ? 2 : 1) << "bar " << bar << " x " << x;
        }
    }
}

TEST(LevelBars, FillOrderOfATick) {
    Bars bars(256, 256);
    bars.Tick(210, 100, 220, 120);
    ASSERT_EQ(bars.count, 9);
    const struct { int bar; LONG x, width; COLORREF colour; } expected[] = {
        {kLeftBar, 210, 10, kColours.background},  {kRightBar, 100, 20, kColours.background},
        {kLeftBar, 220, 36, kColours.beyondMaximum}, {kRightBar, 120, 136, kColours.beyondMaximum},
        {kLeftBar, 210, 1, kColours.marker},        {kRightBar, 100, 1, kColours.marker},
        {kLeftBar, 0, 204, kColours.green},         {kLeftBar, 204, 6, kColours.yellow},
        {kRightBar, 0, 100, kColours.green},
    };
    for (size_t i = 0; i < sizeof(expected) / sizeof(expected[0]); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bars.fills[i].bar, expected[i].bar);
        EXPECT_EQ(bars.fills[i].x, expected[i].x);
        EXPECT_EQ(bars.fills[i].width, expected[i].width);
        EXPECT_EQ(bars.fills[i].colour, expected[i].colour);
    }
}

TEST(LevelBars, PeakMarkerFallsOnePixelPerTick) {
    Bars bars(600, 600);
    bars.Tick(128, 0, 128, 0);  // first tick: the marker jumps from 0 to the level
    EXPECT_EQ(bars.state.peakMarker[kLeftBar], 300);
    EXPECT_EQ(bars.state.levelPosition[kLeftBar], 300);
    LONG low = 43;  // 600 * 43 / 256 = 100
    bars.Tick(low, 0, 128, 0);
    EXPECT_EQ(bars.state.levelPosition[kLeftBar], 100);
    EXPECT_EQ(bars.state.peakMarker[kLeftBar], 299);
    int ticks = 1;
    while (bars.state.peakMarker[kLeftBar] > 100 && ticks < 1000) {
        bars.Tick(low, 0, 128, 0);
        ++ticks;
    }
    EXPECT_EQ(ticks, 200) << "10 seconds at 20 ticks per second";
    bars.Tick(low, 0, 128, 0);
    EXPECT_EQ(bars.state.peakMarker[kLeftBar], 100) << "then it stays at the level";
    bars.Tick(60, 0, 128, 0);
    EXPECT_EQ(bars.state.peakMarker[kLeftBar], 140) << "caught up on the same tick (600 * 60 / 256)";
    EXPECT_EQ(NextPeakMarker(5, 5), 5);
    EXPECT_EQ(NextPeakMarker(6, 5), 5);
    EXPECT_EQ(NextPeakMarker(4, 5), 5);
}

TEST(LevelBars, SilenceNegativeLevelsAndEqualMaxima) {
    Bars bars(256, 256);
    bars.Tick(0, 0, 0, 0);
    std::vector<COLORREF> pixels = bars.Pixels(kLeftBar);
    EXPECT_EQ(pixels[0], kColours.marker);
    for (size_t x = 1; x < pixels.size(); ++x) ASSERT_EQ(pixels[x], kColours.beyondMaximum) << x;

    bars.Tick(100, 100, 100, 100);  // held maximum equal to the level: no black part
    EXPECT_EQ(bars.Zones(kLeftBar), "B100-100 M100-256 G0-100");

    BarState before = bars.state;
    bars.Tick(-1, -1, 100, 100);
    EXPECT_EQ(bars.count, 0) << "nothing at all, not even the background";
    EXPECT_EQ(bars.state.peakMarker[kLeftBar], before.peakMarker[kLeftBar]);
    bars.Tick(-1, 50, 100, 100);
    EXPECT_GT(bars.count, 0) << "one negative value alone does not stop it";
}

TEST(ActivityStrip, MarksTwoPixelsApartWrapping) {
    DWORD marks[4] = {7, 7, 7, 7};
    ASSERT_TRUE(ActivityMarks(20, 22, marks));
    EXPECT_EQ(marks[0], 20u);
    EXPECT_EQ(marks[1], 0u);
    EXPECT_EQ(marks[2], 2u);
    EXPECT_EQ(marks[3], 4u);
    ASSERT_TRUE(ActivityMarks(0, 22, marks));
    EXPECT_EQ(marks[3], 6u) << "after Start: 0, 2, 4, 6";
    ASSERT_TRUE(ActivityMarks(0xFFFFFFFF, 22, marks));
    EXPECT_EQ(marks[0], 0xFFFFFFFFu % 22);
    EXPECT_EQ(marks[1], 1u % 22) << "unsigned wrap of the counter";
    DWORD untouched[4] = {9, 9, 9, 9};
    EXPECT_FALSE(ActivityMarks(5, 0, untouched));
    EXPECT_EQ(untouched[0], 9u);
}

// The fill primitive as the bars use it: right and bottom edges excluded, empty fills draw nothing.
TEST(LevelBars, SolidFillOnAMemoryContext) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    CDC dc;
    dc.Attach(memory);
    dc.FillSolidRect(0, 0, 16, 4, RGB(1, 2, 3));
    dc.FillSolidRect(4, 0, 3, 4, RGB(192, 0, 0));
    dc.FillSolidRect(9, 0, 0, 4, RGB(0, 192, 0));
    GdiFlush();
    const DWORD* pixel = static_cast<const DWORD*>(bits);
    for (int x = 0; x < 16; ++x) {
        DWORD expected = (x >= 4 && x < 7) ? 0xC00000u : 0x010203u;  // DIB pixels are 0xRRGGBB
        EXPECT_EQ(pixel[x] & 0xFFFFFF, expected) << x;
        EXPECT_EQ(pixel[3 * 16 + x] & 0xFFFFFF, expected) << x;
    }
    EXPECT_EQ(GetBkColor(memory), RGB(0, 192, 0)) << "the context keeps the last colour";
    dc.Detach();
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}
