// Start-up: the window with its title, device list, format and version lines, and readouts that
// follow a known signal within a second.
#include <cstdio>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/meter_test.h"
#include "tests/ui/session_scripts.h"

namespace {

class MeterStartup : public MeterTest {};

}  // namespace

TEST_F(MeterStartup, ShowsItsWindowAndFollowsTheSignal) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ULONGLONG firstTickMs = GetTickCount64() - meter.StartedAt();
    std::printf("start-up: %llu ms from CreateProcess to the first readouts of the timer\n", firstTickMs);
    RecordProperty("first_tick_ms", std::to_string(firstTickMs));

    EXPECT_EQ(WindowText(meter.Window()), "Quorvel");
    EXPECT_TRUE(IsWindowVisible(meter.Window()));
    HWND list = meter.Control(IDC_DEVICE_LIST);
    LRESULT count = -1, selected = -1;
    ASSERT_TRUE(SendWithin(list, LB_GETCOUNT, 0, 0, 2000, &count));
    EXPECT_GT(count, 0) << "the device list is empty";
    ASSERT_TRUE(SendWithin(list, LB_GETCURSEL, 0, 0, 2000, &selected));
    EXPECT_EQ(selected, 0);
    // Every name whole, in whatever script, under whatever code page the system has: the second
    // sink's is long and mixes scripts, as desktops name their devices.
    int wholeNames = 0;
    for (LRESULT i = 0; i < count; ++i) {
        std::string entry = ListEntryText(list, (int)i);
        std::printf("device %ld: %s\n", (long)i, entry.c_str());
        if (IsWideSinkEntry(entry)) ++wholeNames;
    }
    EXPECT_EQ(wholeNames, 1) << "the second sink's monitor is not listed by its whole name: "
                             << SessionVariable("QUORVEL_WIDE_DESCRIPTION");
    EXPECT_EQ(meter.Text(IDC_FORMAT_NAME), "44.1kHz stereo 16bit");
    EXPECT_EQ(meter.Text(IDC_VERSION), "Version 0.5.0.0");

    // Nothing plays yet: the null sink's monitor is silent.
    EXPECT_TRUE(ReadoutsShow(0, 0)) << Readouts();

    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    ULONGLONG followMs = 0;
    ASSERT_NO_FATAL_FAILURE(PlayTone(125, 46, 1000, &followMs));
    std::printf("the readouts showed the signal %llu ms after it started playing\n", followMs);
    RecordProperty("follow_ms", std::to_string(followMs));
    LONG maxLeft = -1, maxRight = -1;
    ASSERT_TRUE(ParseReadout(meter.Text(IDC_MAX_LEFT), "L max", &maxLeft)) << Readouts();
    ASSERT_TRUE(ParseReadout(meter.Text(IDC_MAX_RIGHT), "R max", &maxRight)) << Readouts();
    EXPECT_GE(maxLeft, 125);
    EXPECT_GE(maxRight, 46);
}
