// At 150 % scaling the dialog grows with its font; the bars are measured at start, so they must
// still fill their controls exactly, and draw their zones where the bars' rules say.
#include <cstdio>

#include "res/resource.h"
#include "tests/ui/bar_picture.h"
#include "tests/ui/dialog_template.h"
#include "tests/ui/meter_test.h"
#include "tests/ui/screenshot.h"

namespace {

class MeterHighDpi : public MeterTest {};

// The run of bar colours on a row that contains x.
void ColourSpan(const Screenshot& picture, int y, int x, int* left, int* right) {
    *left = *right = x;
    while (IsBarColour(picture.Pixel(*left - 1, y))) --*left;
    while (IsBarColour(picture.Pixel(*right, y))) ++*right;
}

}  // namespace

TEST_F(MeterHighDpi, BarsFillTheirControls) {
    // Runs in a session started at 150 %; the dialog manager lays the template out at that scale
    // here too, so the program's bars must have the size the layout gives them.
    ASSERT_EQ(SessionDpi(), 144) << "this test is for a session at 150 % (ctest runs it in one)";
    TemplateLayout layout;
    std::string error;
    ASSERT_TRUE(layout.Load(ProgramWindowsPath(), IDD_METER, &error)) << error;
    RECT laidOut, units;
    ASSERT_TRUE(layout.PixelRect(IDC_BAR_LEFT, &laidOut));
    ASSERT_TRUE(layout.TemplateRect(IDC_BAR_LEFT, &units));

    ASSERT_NO_FATAL_FAILURE(StartMeter());
    RECT bars[2] = {ScreenClientRect(meter.Control(IDC_BAR_LEFT)), ScreenClientRect(meter.Control(IDC_BAR_RIGHT))};
    RECT control;
    ASSERT_TRUE(GetWindowRect(meter.Control(IDC_BAR_LEFT), &control));
    LONG width = control.right - control.left;
    std::printf("left bar control: %ld px for %ld dialog units; laid out at 150 %%: %ld px\n", width,
                units.right - units.left, laidOut.right - laidOut.left);
    ASSERT_EQ(width, laidOut.right - laidOut.left) << "the program did not start at 150 %";

    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    ASSERT_NO_FATAL_FAILURE(PlayTone(250, 110));
    ASSERT_NO_FATAL_FAILURE(PlayTone(244, 70));
    ASSERT_NO_FATAL_FAILURE(ExpectSettledBars(244, 70, 250, 110, 250, 110));

    Screenshot picture;
    ASSERT_TRUE(picture.Take(&error)) << error;
    for (const RECT& bar : bars) {
        for (int y = bar.top; y < bar.bottom; ++y) {
            int left, right;
            ColourSpan(picture, y, bar.left, &left, &right);
            ASSERT_EQ(left, bar.left) << "row " << y - bar.top;
            ASSERT_EQ(right, bar.right) << "row " << y - bar.top << ": the colours end "
                                        << bar.right - right << " px before the client area does";
        }
        int left, right;
        ColourSpan(picture, (bar.top + bar.bottom) / 2, bar.left, &left, &right);
        std::printf("bar colours span %d px of a client area %ld px wide\n", right - left, bar.right - bar.left);
    }
}
