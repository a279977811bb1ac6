// Closing the window while the capture thread holds an error box open: the real meter dialog on
// a scripted capture device whose buffer lock fails (fake_device_meter.exe). The window keeps
// answering while it waits, stays until the box is answered (the capture thread must end before
// the engine goes), and is gone within 3 s of the last answer; the process ends with 0, which
// it gives only when every capture object and buffer was released exactly once.
#include <algorithm>
#include <cstdio>

#include "res/resource.h"
#include "tests/robustness/robust_meter_test.h"
#include "tests/support/threads.h"

#ifndef QUORVEL_FAKE_METER_UNIX_PATH
#error "QUORVEL_FAKE_METER_UNIX_PATH must name the meter on the scripted device"
#endif

namespace {

const char kLockFailure[] = "Fehler: PufferLock";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct CloseRun {
    int failingLock;       // the first buffer lock that fails
    int boxesBeforeClose;  // answered while the meter still runs; the next one is open at the close
    DWORD answerAfterMs;   // from WM_CLOSE to the answer of the open box
};

class MeterErrorBoxAtClose : public RobustMeterTest {
protected:
    // The capture thread's box about the failed lock, from another thread than the window's.
    HWND WaitForLockBox() {
        HWND box = meter.WaitForOtherDialog(15000);
        EXPECT_NE(box, nullptr) << "no error box from the capture thread";
        if (!box) return nullptr;
        std::string text = MessageBoxText(box);
        boxTexts.push_back(text);
        EXPECT_EQ(WindowText(box), "Quorvel");
        EXPECT_TRUE(EndsWith(text, kLockFailure)) << text;
        EXPECT_NE(text.find(" \n "), std::string::npos) << "no description of the failure in: " << text;
        EXPECT_NE(GetWindowThreadProcessId(box, nullptr), GetWindowThreadProcessId(meter.Window(), nullptr))
            << "the box must come from the capture thread, not the window's";
        return box;
    }

    // Posted like a user's click, so the answer's moment is known: Wine hides the box at once
    // but, without a window manager, holds the box's thread up to 2 s before it destroys it.
    void Answer(HWND box) {
        ASSERT_TRUE(meter.PostClick(GetDlgItem(box, IDOK))) << "the box does not take the click";
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000)) << "the box stays";
    }

    void Run(const CloseRun& run) {
        std::printf("lock %d fails, %d box(es) answered before the close, the open one %lu ms after it\n",
                    run.failingLock, run.boxesBeforeClose, (unsigned long)run.answerAfterMs);
        std::string error;
        ASSERT_TRUE(meter.StartProgram(QUORVEL_FAKE_METER_UNIX_PATH, std::to_string(run.failingLock), &error)) << error;
        for (int i = 0; i < run.boxesBeforeClose; ++i) {
            HWND box = WaitForLockBox();
            ASSERT_NE(box, nullptr);
            ASSERT_NO_FATAL_FAILURE(Answer(box));
        }
        HWND box = WaitForLockBox();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(meter.Answers(5000)) << "the window does not answer while the box is open";

        HWND window = meter.Window();
        ULONGLONG posted = GetTickCount64();
        ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
        // Until the answer: the window stays, and after the close pause it answers again, since
        // the engine waits for the capture thread while it dispatches messages.
        // An answer within the close pause is given without asking the window anything first.
        const bool ask = run.answerAfterMs >= 1500;
        DWORD looks = 0, slowestAnswerMs = 0;
        while (GetTickCount64() - posted < run.answerAfterMs) {
            ASSERT_TRUE(IsWindow(window) && IsWindowVisible(window))
                << "the window went " << GetTickCount64() - posted << " ms after WM_CLOSE with the box still open";
            ASSERT_TRUE(IsWindow(box) && IsWindowVisible(box)) << "the box went without an answer";
            if (!ask) {
                Sleep(1);
                continue;
            }
            ULONGLONG asked = GetTickCount64();
            // The close pause itself holds the window for 1000 ms.
            ASSERT_TRUE(meter.Answers(3000)) << "the closing window does not answer while it waits for the box";
            slowestAnswerMs = std::max(slowestAnswerMs, (DWORD)(GetTickCount64() - asked));
            ++looks;
            Sleep(20);
        }
        if (ask)
            std::printf("the closing window answered %lu looks, the slowest after %lu ms\n", (unsigned long)looks,
                        (unsigned long)slowestAnswerMs);
        ASSERT_TRUE(IsWindow(window) && IsWindowVisible(window)) << "the window went with the box still open";

        const ULONGLONG answered = GetTickCount64();
        ULONGLONG lastAnswer = answered;
        ASSERT_NO_FATAL_FAILURE(Answer(box));
        ULONGLONG boxDestroyedMs = 0;
        int furtherBoxes = 0;
        while (IsWindow(window) && IsWindowVisible(window) && GetTickCount64() - lastAnswer < 10000) {
            if (!boxDestroyedMs && !IsWindow(box)) boxDestroyedMs = GetTickCount64() - answered;
            for (HWND further : meter.OtherDialogs()) {
                boxTexts.push_back(MessageBoxText(further));
                ++furtherBoxes;
                lastAnswer = GetTickCount64();
                ASSERT_NO_FATAL_FAILURE(Answer(further));
            }
            Sleep(1);
        }
        ULONGLONG goneAt = GetTickCount64(), goneMs = goneAt - lastAnswer;
        std::printf("answered %llu ms after WM_CLOSE; the box destroyed %llu ms after the answer; the window gone "
                    "%llu ms after the last answer, %llu ms after WM_CLOSE; %d further box(es)\n",
                    answered - posted, boxDestroyedMs, goneMs, goneAt - posted, furtherBoxes);
        ASSERT_FALSE(IsWindow(window) && IsWindowVisible(window)) << "the window stays 10 s after the last answer";
        EXPECT_LE(goneMs, 3000u) << "the window must be gone within 3 s of the last answer";
        EXPECT_GE(goneAt - posted, 1000u) << "the window must stay for the close pause";
        DWORD exitCode = 0xdeadbeef;
        ASSERT_TRUE(meter.WaitForExit(15000, &exitCode)) << "the process does not end";
        EXPECT_EQ(exitCode, 0u) << "3: a capture object or buffer was not released exactly once; 5: a capture object "
                                   "was refused for a device still held";
        meter.EndForSure();
        for (const std::string& text : boxTexts) EXPECT_TRUE(EndsWith(text, kLockFailure)) << text;
        boxTexts.clear();
    }
};

}  // namespace

TEST_F(MeterErrorBoxAtClose, WaitsForTheAnswerThenEnds) {
    // Answered within the close pause, just after it, and long after it; with a box answered
    // before, so that the next one comes from a capture thread that has already shown one.
    std::vector<CloseRun> runs = {{30, 0, 3000}};
    if (StressRun()) {
        runs = {{1, 0, 3000},   {30, 0, 0},    {30, 0, 200},  {30, 0, 900},  {30, 0, 1100}, {30, 0, 1500},
                {5, 1, 3000},   {5, 2, 1000},  {100, 0, 6000}, {2, 3, 2000}, {64, 0, 50},   {17, 1, 1300}};
    }
    for (const CloseRun& run : runs) ASSERT_NO_FATAL_FAILURE(Run(run));
}
