// The bars on screen: with a steady tone and known held maxima, each bar shows its zones, the
// peak-hold marker, the black stretch up to the held maximum and grey beyond, pixel for pixel
// where the bars' rules put them.
#include "res/resource.h"
#include "tests/ui/meter_test.h"

namespace {

class MeterLevelBars : public MeterTest {};

}  // namespace

TEST_F(MeterLevelBars, ShowZonesMarkerAndHeldMaximum) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    // Loud first, for the held maxima; then steady: red reached on the left, green only on the right.
    ASSERT_NO_FATAL_FAILURE(PlayTone(254, 120));
    ASSERT_NO_FATAL_FAILURE(PlayTone(246, 96));
    ASSERT_NO_FATAL_FAILURE(ExpectSettledBars(246, 96, 254, 120, 254, 120));

    // Held maximum equal to the level: no black stretch, grey right after the marker.
    ASSERT_TRUE(meter.Click(meter.Control(IDC_RESET_MAX)));
    ASSERT_NO_FATAL_FAILURE(ExpectSettledBars(246, 96, 246, 96, 246, 96));
}
