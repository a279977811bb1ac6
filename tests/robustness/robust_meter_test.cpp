#include "tests/robustness/robust_meter_test.h"

#include <cstdio>
#include <cstdlib>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/session_scripts.h"

bool StressRun() {
    const char* stress = std::getenv("QUORVEL_STRESS");
    return stress && std::string(stress) == "1";
}

void RobustMeterTest::TearDown() {
    for (const std::string& text : boxTexts) std::printf("box seen: %s\n", text.c_str());
    MeterTest::TearDown();
}

void RobustMeterTest::AnswerBoxes() {
    for (int round = 0; round < 50; ++round) {
        std::vector<HWND> boxes = meter.OtherDialogs();
        // A box raised by the call that is running now is on screen once the window answers.
        if (boxes.empty() && (!meter.Answers(10000) || (boxes = meter.OtherDialogs()).empty())) return;
        for (HWND box : boxes) {
            std::string text = MessageBoxText(box);
            std::printf("message box \"%s\": %s\n", WindowText(box).c_str(), text.c_str());
            boxTexts.push_back(text);
            HWND ok = GetDlgItem(box, IDOK);
            ASSERT_NE(ok, nullptr) << "a box without an OK button: " << text;
            // Posted: Wine can lose the reply to a click sent to a box, and the sender would
            // wait for ever in spite of its time-out.
            ASSERT_TRUE(meter.PostClick(ok)) << "the box does not take the click: " << text;
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000))
                << "the box stays after its answer: " << text;
        }
    }
    FAIL() << "the boxes do not stop coming";
}

bool RobustMeterTest::TickRewritesReadout(std::string* why) {
    HWND readout = meter.Control(IDC_VALUE_LEFT);
    if (!SendWithin(readout, WM_SETTEXT, 0, (LPARAM)L"-", 2000)) {
        *why = "the window does not answer within 2 s";
        return false;
    }
    LONG value;
    // A tick every 50 ms; a loaded machine may hold one back for a while.
    if (!WaitUntil([&] { return ParseReadout(meter.Text(IDC_VALUE_LEFT), "L", &value); }, 2000)) {
        *why = "no tick rewrote the left readout within 2 s: " + Readouts();
        return false;
    }
    return true;
}

void RobustMeterTest::KeepsWorking(DWORD durationMs) {
    ULONGLONG start = GetTickCount64();
    do {
        ASSERT_EQ(WaitForSingleObject(meter.Process(), 0), (DWORD)WAIT_TIMEOUT) << "the program ended";
        ASSERT_NO_FATAL_FAILURE(AnswerBoxes());
        std::string why;
        ASSERT_TRUE(TickRewritesReadout(&why)) << why;
        Sleep(100);
    } while (GetTickCount64() - start < durationMs);
}

int RobustMeterTest::ProgramThreads() {
    int threads = 0;
    std::string report;
    EXPECT_TRUE(ReadProgramThreads(&threads, &report)) << "the program's threads are not found in /proc:\n" << report;
    return threads;
}

int RobustMeterTest::SettledThreads() {
    int last = ProgramThreads();
    for (int reading = 0; reading < 15; ++reading) {
        Sleep(1000);
        int now = ProgramThreads();
        if (now == last) return now;
        last = now;
    }
    return last;
}

void RobustMeterTest::ExpectThreadsBackTo(int before, const char* after) {
    int now = 0;
    ULONGLONG start = GetTickCount64();
    // Wine ends some of its threads only a while after their work is done.
    bool back = WaitUntil(
        [&] {
            now = ProgramThreads();
            return now > 0 && now <= before;
        },
        15000);
    std::printf("program threads: %d before, %d after %s (%llu ms to settle)\n", before, now, after,
                GetTickCount64() - start);
    RecordProperty("threads_before", before);
    RecordProperty("threads_after", now);
    EXPECT_TRUE(back) << "the program has " << now << " threads after " << after << ", " << before << " before";
}

void RobustMeterTest::SelectWithKeys(int index) {
    HWND list = meter.Control(IDC_DEVICE_LIST);
    LRESULT current = -1;
    ASSERT_TRUE(SendWithin(list, LB_GETCURSEL, 0, 0, 5000, &current)) << "the meter does not answer";
    while (current != index) {
        ASSERT_TRUE(meter.PressKey(list, current < index ? VK_DOWN : VK_UP));
        LRESULT before = current;
        ASSERT_TRUE(WaitUntil([&] { return SendWithin(list, LB_GETCURSEL, 0, 0, 5000, &current) && current != before; },
                              10000))
            << "the list box does not move its selection";
    }
    ASSERT_TRUE(meter.Answers(10000)) << "the meter does not answer after the switch";
}

void RobustMeterTest::SelectByNotification(int index) {
    HWND list = meter.Control(IDC_DEVICE_LIST);
    LRESULT result = LB_ERR;
    ASSERT_TRUE(SendWithin(list, LB_SETCURSEL, index, 0, 10000, &result)) << "the meter does not answer";
    ASSERT_EQ(result, index);
    ASSERT_TRUE(SendWithin(meter.Window(), WM_COMMAND, MAKEWPARAM(IDC_DEVICE_LIST, LBN_SELCHANGE), (LPARAM)list, 10000))
        << "the switch does not end within 10 s";
}

int RobustMeterTest::MonitorEntry() {
    HWND list = meter.Control(IDC_DEVICE_LIST);
    LRESULT count = 0;
    EXPECT_TRUE(SendWithin(list, LB_GETCOUNT, 0, 0, 5000, &count));
    for (int i = 0; i < (int)count; ++i) {
        std::string entry = ListEntryText(list, i);
        if (entry.compare(0, 11, "Monitor of ") == 0 && !IsWideSinkEntry(entry)) return i;
    }
    ADD_FAILURE() << "no entry for the null sink's monitor among " << count;
    return -1;
}

void RobustMeterTest::CloseAndExpectEnd() {
    HWND window = meter.Window();
    ULONGLONG posted = GetTickCount64();
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    ULONGLONG lastSeenMs = 0, goneMs = 0;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            goneMs = now - posted;
            break;
        }
        lastSeenMs = now - posted;
        if (lastSeenMs > 10000) break;
        for (HWND box : meter.OtherDialogs()) {
            std::string text = MessageBoxText(box);
            std::printf("message box while closing: %s\n", text.c_str());
            boxTexts.push_back(text);
            meter.PostClick(GetDlgItem(box, IDOK));  // result deliberately ignored: the loop looks again
        }
        Sleep(1);
    }
    std::printf("after WM_CLOSE the window was last seen at %llu ms and gone at %llu ms\n", lastSeenMs, goneMs);
    RecordProperty("close_ms", std::to_string(goneMs));
    ASSERT_NE(goneMs, 0u) << "the window is still on screen 10 s after WM_CLOSE";
    EXPECT_GE(goneMs, 1000u) << "the window must stay for the close pause";
    EXPECT_LE(goneMs, 3000u) << "the window must be gone within 3 s";
    DWORD exitCode = 0xdeadbeef;
    ASSERT_TRUE(meter.WaitForExit(15000, &exitCode)) << "the process does not end";
    EXPECT_EQ(exitCode, 0u);
}
