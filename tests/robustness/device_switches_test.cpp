// Device switches in quick succession through the whole list (50; 1000 in the long version):
// the program does not crash or hang, every switch leaves at most one capture thread behind (the
// thread count comes back), the readouts follow a played signal afterwards, and it still closes.
#include <algorithm>
#include <cstdio>

#include "res/resource.h"
#include "tests/robustness/robust_meter_test.h"
#include "tests/support/threads.h"
#include "tests/ui/session_scripts.h"

namespace {

class MeterManySwitches : public RobustMeterTest {
protected:
    // One switch to the next entry, going down the list and back up; the user's way (an arrow
    // key on the list, not waiting for the switch to end) and the list box's own notification
    // take turns.
    void SwitchOnce(int switchNumber) {
        HWND list = meter.Control(IDC_DEVICE_LIST);
        LRESULT current = -1;
        ASSERT_TRUE(SendWithin(list, LB_GETCURSEL, 0, 0, 10000, &current)) << "the meter does not answer";
        if (current == 0) m_down = true;
        if (current == m_count - 1) m_down = false;
        int next = (int)current + (m_down ? 1 : -1);
        if (switchNumber % 2 == 0) {
            ASSERT_TRUE(meter.PressKey(list, m_down ? VK_DOWN : VK_UP));
            // The list box moves its selection first, then notifies the meter.
            ASSERT_TRUE(WaitUntil([&] { return SendWithin(list, LB_GETCURSEL, 0, 0, 10000, &current) && current == next; },
                                  10000))
                << "the list box does not move to entry " << next << " (switch " << switchNumber << ")";
        } else {
            ASSERT_NO_FATAL_FAILURE(SelectByNotification(next));
        }
    }

    int m_count = 0;
    bool m_down = true;
};

}  // namespace

TEST_F(MeterManySwitches, KeepFollowingTheSignalWithoutGrowing) {
    const int switches = StressRun() ? 1000 : 50;
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    HWND list = meter.Control(IDC_DEVICE_LIST);
    LRESULT count = 0;
    ASSERT_TRUE(SendWithin(list, LB_GETCOUNT, 0, 0, 2000, &count));
    ASSERT_GE(count, 2) << "switching needs a second device";
    m_count = (int)count;
    for (int i = 0; i < m_count; ++i) std::printf("entry %d: %s\n", i, ListEntryText(list, i).c_str());
    int monitor = MonitorEntry();
    ASSERT_GE(monitor, 0);
    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    ASSERT_NO_FATAL_FAILURE(PlayTone(150, 60));

    // A first round through the list lets Wine start whatever threads it keeps for good.
    for (int i = 0; i < 2 * m_count; ++i) ASSERT_NO_FATAL_FAILURE(SwitchOnce(i));
    int before = SettledThreads();
    ASSERT_GT(before, 0);

    ULONGLONG start = GetTickCount64(), slowest = 0;
    int highest = before;
    for (int i = 0; i < switches; ++i) {
        ULONGLONG switchStart = GetTickCount64();
        ASSERT_NO_FATAL_FAILURE(SwitchOnce(i)) << "at switch " << i;
        slowest = std::max(slowest, GetTickCount64() - switchStart);
        if (!meter.OtherDialogs().empty()) {
            ASSERT_NO_FATAL_FAILURE(AnswerBoxes());
            ADD_FAILURE() << "a switch between working devices raised a box (switch " << i << ")";
        }
        if ((i + 1) % (switches / 5) == 0) {
            ASSERT_TRUE(meter.Answers(10000)) << "the meter hangs after switch " << i;
            highest = std::max(highest, ProgramThreads());
        }
    }
    ASSERT_TRUE(meter.Answers(10000)) << "the meter hangs after the switches";
    ULONGLONG tookMs = GetTickCount64() - start;
    std::printf("%d switches in %llu ms (%.1f ms each, the slowest key press to selection %llu ms); "
                "at most %d threads meanwhile\n",
                switches, tookMs, (double)tookMs / switches, slowest, highest);
    RecordProperty("switches", switches);
    RecordProperty("switches_ms", std::to_string(tookMs));
    ASSERT_NO_FATAL_FAILURE(AnswerBoxes());
    EXPECT_TRUE(boxTexts.empty()) << "switches between working devices raise no box";

    std::string why;
    EXPECT_TRUE(TickRewritesReadout(&why)) << why;
    ASSERT_NO_FATAL_FAILURE(ExpectThreadsBackTo(before, "the switches"));

    // The capture source again, and the readouts follow what is played.
    ASSERT_NO_FATAL_FAILURE(SelectWithKeys(monitor == 0 ? 1 : 0));
    ASSERT_NO_FATAL_FAILURE(SelectWithKeys(monitor));
    ASSERT_NO_FATAL_FAILURE(PlayTone(200, 30));
    ASSERT_NO_FATAL_FAILURE(PlayTone(40, 120));
    ASSERT_NO_FATAL_FAILURE(CloseAndExpectEnd());
}
