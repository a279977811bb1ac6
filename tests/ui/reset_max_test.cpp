// Reset Max: the held maxima keep the loudest levels until the button drops them to the
// current ones on the next tick.
#include <cstdio>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/meter_test.h"

namespace {

class MeterResetMax : public MeterTest {};

}  // namespace

TEST_F(MeterResetMax, DropsTheMaximaToTheCurrentLevels) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(PlayTone(200, 150));
    EXPECT_TRUE(WaitUntil([&] { return MaximaShow(200, 150); }, 1000)) << Readouts();
    ASSERT_NO_FATAL_FAILURE(PlayTone(90, 40));
    Sleep(300);  // several ticks on the quieter tone
    EXPECT_TRUE(ReadoutsShow(90, 40)) << Readouts();
    EXPECT_TRUE(MaximaShow(200, 150)) << "the maxima must hold the loud levels: " << Readouts();

    ASSERT_TRUE(meter.Click(meter.Control(IDC_RESET_MAX)));
    ULONGLONG clicked = GetTickCount64();
    ASSERT_TRUE(WaitUntil([&] { return MaximaShow(90, 40); }, 2000)) << Readouts();
    ULONGLONG droppedMs = GetTickCount64() - clicked;
    std::printf("the maxima dropped %llu ms after the click\n", droppedMs);
    EXPECT_LE(droppedMs, 500u) << "the next 50 ms tick must write them";
    Sleep(300);
    EXPECT_TRUE(MaximaShow(90, 40)) << Readouts();
    EXPECT_TRUE(ReadoutsShow(90, 40)) << Readouts();
}
