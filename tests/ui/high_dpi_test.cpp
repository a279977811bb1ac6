// At 150 % scaling the dialog grows with its font; the bars are measured at start, so they must
// still fill their controls exactly, and draw their zones where the bars' rules say.
#include <cstdio>

#include "res/resource.h"
#include "tests/ui/bar_picture.h"
#include "tests/ui/dialog_template.h"
#include "tests/ui/meter_test.h"
#include "tests/ui/registry_value.h"
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
    // The bar's width at the test's own 96 dpi, for comparison.
    TemplateLayout normal;
    std::string error;
    ASSERT_TRUE(normal.Load(ProgramWindowsPath(), IDD_METER, &error)) << error;
    RECT normalBar;
    ASSERT_TRUE(normal.PixelRect(IDC_BAR_LEFT, &normalBar));

    {
        // Read by the program when it starts; put back as soon as it has.
        ScopedRegistryValue dpi(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
        ASSERT_TRUE(dpi.SetDword(144));
        ASSERT_NO_FATAL_FAILURE(StartMeter());
        ASSERT_TRUE(dpi.Restore());
    }
    RECT bars[2] = {ScreenClientRect(meter.Control(IDC_BAR_LEFT)), ScreenClientRect(meter.Control(IDC_BAR_RIGHT))};
    LONG width = bars[0].right - bars[0].left;
    std::printf("left bar: %ld px at 150 %%, control %ld px at 100 %%\n", width, normalBar.right - normalBar.left);
    ASSERT_GT(width * 100, (normalBar.right - normalBar.left) * 130) << "the program did not start at 150 %";

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
