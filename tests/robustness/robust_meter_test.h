#pragma once
// What every robustness case checks of the real program under trouble: it answers, its timer
// still rewrites the readouts, the boxes it raises are read and answered, its thread count comes
// back, and WM_CLOSE still ends it after the close pause and within 3 s.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/ui/meter_test.h"

// QUORVEL_STRESS=1 (ctest -L stress): the long versions.
bool StressRun();

class RobustMeterTest : public MeterTest {
protected:
    void TearDown() override;

    // Answers (OK) every box of the program until none is open and the window answers; their
    // texts go to boxTexts.
    void AnswerBoxes();
    // For the given time: the window answers within 2 s at every look, the timer rewrites a
    // readout that was overwritten from outside, and every box is answered.
    void KeepsWorking(DWORD durationMs);
    // One such look: false, with the reason, when the window does not answer or no tick comes.
    bool TickRewritesReadout(std::string* why);

    int ProgramThreads();  // 0 with a test failure when /proc cannot be read
    // The thread count once Wine's own threads have come to rest: two readings alike, 1 s apart.
    int SettledThreads();
    // Waits until the count is back at most at `before`; reports the figures.
    void ExpectThreadsBackTo(int before, const char* after);

    // Selects the entry like a user with the arrow keys, one press at a time.
    void SelectWithKeys(int index);
    // Selects the entry as the list box would: LB_SETCURSEL, then LBN_SELCHANGE to the meter,
    // sent, so that the switch is done on return; works on the entry already selected too.
    void SelectByNotification(int index);
    // The list entry of the session's capture source (the null sink's monitor).
    int MonitorEntry();

    // Posts WM_CLOSE and watches the window every millisecond, answering boxes meanwhile: it
    // must stay for the close pause of 1000 ms and be gone within 3 s; the process exits with 0.
    void CloseAndExpectEnd();

    std::vector<std::string> boxTexts;
};
