// Device switch: picking another list entry keeps the held maxima, writes the format line of
// the device now open, starts the activity marks again from the strip's left edge, and the
// readouts go on following the signal.
#include <cstdio>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/bar_picture.h"
#include "tests/ui/meter_test.h"
#include "tests/ui/screenshot.h"
#include "tests/ui/session_scripts.h"

namespace {

class MeterDeviceSwitch : public MeterTest {
protected:
    void TearDown() override {
        if (m_suspended) {
            std::string report;
            EXPECT_TRUE(ChangeSink("resume", &report)) << report;
        }
        MeterTest::TearDown();
    }

    void SuspendSink(bool suspend) {
        std::string report;
        ASSERT_TRUE(ChangeSink(suspend ? "suspend" : "resume", &report)) << report;
        m_suspended = suspend;
    }

    // The marks on screen once they stand still (two pictures alike).
    void StillMarks(std::vector<LONG>* marks) {
        RECT strip = ScreenClientRect(meter.Control(IDC_ACTIVITY));
        std::vector<LONG> before;
        std::string error, seen;
        for (int attempt = 0; attempt < 20; ++attempt) {
            Screenshot picture;
            ASSERT_TRUE(picture.Take(&error)) << error;
            // A picture taken while the strip was being drawn is passed over.
            if (ReadActivityMarks(picture, strip, marks, &seen)) {
                if (*marks == before) return;
                before = *marks;
            }
            Sleep(150);
        }
        FAIL() << "the activity marks do not stand still: " << seen;
    }

    // Selects the entry like a user with the arrow keys: the list box moves its selection and
    // tells the meter (LBN_SELCHANGE).
    void SelectEntry(int index) {
        HWND list = meter.Control(IDC_DEVICE_LIST);
        LRESULT current = -1;
        ASSERT_TRUE(SendWithin(list, LB_GETCURSEL, 0, 0, 2000, &current));
        while (current != index) {
            ASSERT_TRUE(meter.PressKey(list, current < index ? VK_DOWN : VK_UP));
            LRESULT before = current;
            ASSERT_TRUE(WaitUntil([&] { return SendWithin(list, LB_GETCURSEL, 0, 0, 2000, &current) && current != before; },
                                  5000))
                << "the list box does not move its selection";
        }
        ASSERT_TRUE(meter.Answers(5000)) << "the meter does not answer after the switch";
    }

    bool m_suspended = false;
};

}  // namespace

TEST_F(MeterDeviceSwitch, KeepsMaximaShowsTheFormatAndRestartsTheMarks) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    HWND list = meter.Control(IDC_DEVICE_LIST);
    LRESULT count = 0;
    ASSERT_TRUE(SendWithin(list, LB_GETCOUNT, 0, 0, 2000, &count));
    ASSERT_GE(count, 2) << "a switch needs a second device";
    // The null sink's monitor, and that of the second sink, named as desktops name devices: long,
    // in several scripts. Its entry must show the name whole.
    int monitor = -1, wide = -1;
    for (int i = 0; i < (int)count; ++i) {
        std::string entry = ListEntryText(list, i);
        std::printf("device %d: %s\n", i, entry.c_str());
        if (IsWideSinkEntry(entry)) wide = i;
        else if (entry.compare(0, 11, "Monitor of ") == 0) monitor = i;
    }
    ASSERT_GE(monitor, 0) << "no entry for the null sink's monitor";
    ASSERT_GE(wide, 0) << "no entry ends with the whole name of the second sink: "
                       << SessionVariable("QUORVEL_WIDE_DESCRIPTION");
    // Entry 0 is selected at start: go first to another entry that hears the null sink (not the
    // second sink's), then to the monitor if that is yet another one.
    int first = 1;
    while (first == wide || first == monitor) ++first;
    if (first >= count) first = monitor;
    ASSERT_NE(first, 0) << "a switch needs a second device that hears the null sink";

    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    ASSERT_NO_FATAL_FAILURE(PlayTone(180, 140));
    ASSERT_NO_FATAL_FAILURE(PlayTone(70, 30));
    ASSERT_TRUE(MaximaShow(180, 140)) << Readouts();

    // With the sink's clock stopped no block arrives, so the marks stand where the block count
    // puts them. Stop it where the count does not already put them at the left edge.
    std::vector<LONG> marks;
    std::vector<LONG> leftEdge = {0, 2, 4, 6};
    for (int attempt = 0;; ++attempt) {
        ASSERT_NO_FATAL_FAILURE(SuspendSink(true));
        ASSERT_NO_FATAL_FAILURE(StillMarks(&marks));
        if (marks != leftEdge) break;
        ASSERT_LT(attempt, 5) << "the marks keep stopping at the left edge";
        ASSERT_NO_FATAL_FAILURE(SuspendSink(false));
        Sleep(300);
    }
    std::printf("marks stand at %ld, %ld, %ld, %ld before the switch\n", marks[0], marks[1], marks[2], marks[3]);

    // Every device here captures in the same format: the line is emptied to see it written anew.
    ASSERT_TRUE(SendWithin(meter.Control(IDC_FORMAT_NAME), WM_SETTEXT, 0, (LPARAM)L"", 2000));
    ASSERT_EQ(meter.Text(IDC_FORMAT_NAME), "");

    ASSERT_NO_FATAL_FAILURE(SelectEntry(first));
    EXPECT_EQ(meter.Text(IDC_FORMAT_NAME), "44.1kHz stereo 16bit");
    ASSERT_NO_FATAL_FAILURE(StillMarks(&marks));
    EXPECT_EQ(marks, leftEdge) << "the block count starts again at 0 with the new device";
    Screenshot picture;
    std::string error;
    ASSERT_TRUE(picture.Take(&error)) << error;
    RECT strip = ScreenClientRect(meter.Control(IDC_ACTIVITY));
    EXPECT_EQ(CompareRows(picture, strip, ActivityRow(0, (DWORD)(strip.right - strip.left))), "");
    Sleep(200);
    EXPECT_TRUE(MaximaShow(180, 140)) << "a switch keeps the held maxima: " << Readouts();

    ASSERT_NO_FATAL_FAILURE(SuspendSink(false));
    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    ASSERT_NO_FATAL_FAILURE(PlayTone(110, 60));
    EXPECT_TRUE(MaximaShow(180, 140)) << Readouts();

    if (monitor != first) {
        ASSERT_NO_FATAL_FAILURE(SelectEntry(monitor));
        EXPECT_EQ(meter.Text(IDC_FORMAT_NAME), "44.1kHz stereo 16bit");
        ASSERT_NO_FATAL_FAILURE(PlayTone(50, 90));
        EXPECT_TRUE(MaximaShow(180, 140)) << Readouts();
    }

    // The entry of the long name opens its own device: it reads what plays into its sink.
    ASSERT_NO_FATAL_FAILURE(SelectEntry(wide));
    ASSERT_NO_FATAL_FAILURE(PlayTone(200, 20, 5000, nullptr, SessionVariable("QUORVEL_WIDE_SINK")));
}
