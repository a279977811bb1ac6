// Trouble with the sound server while the meter captures: the capture source removed and added
// again, the server held still (SIGSTOP) and continued, the server killed and started again.
// Throughout, the window answers and its timer rewrites the readouts; every box is read and
// answered; afterwards the meter measures the played signal again (by itself, or once the
// device is selected again in the list), its thread count comes back, and it closes.
#include <cstdio>

#include "res/resource.h"
#include "tests/robustness/robust_meter_test.h"
#include "tests/support/threads.h"
#include "tests/ui/session_scripts.h"

namespace {

class MeterSoundTrouble : public RobustMeterTest {
protected:
    void TearDown() override {
        // Whatever happened, the next test finds the server and the source as the session began.
        std::string report;
        if (m_stopped) {
            EXPECT_TRUE(ChangeSoundServer("continue", &report)) << report;
        }
        if (m_killed) {
            EXPECT_TRUE(ChangeSoundServer("restart", &report)) << report;
        }
        if (m_sourceRemoved) {
            EXPECT_TRUE(ChangeSink("reload", &report)) << report;
        }
        RobustMeterTest::TearDown();
    }

    void Server(const char* command) {
        // A trouble counts as made before its answer, which may go missing: the tidy-up still runs.
        std::string change = command;
        if (change == "stop") m_stopped = true;
        if (change == "kill") m_killed = true;
        std::string report;
        ASSERT_TRUE(ChangeSoundServer(command, &report)) << command << ":\n" << report;
        if (change == "continue") m_stopped = false;
        if (change == "restart") m_killed = false;
    }

    void Source(const char* command) {
        std::string report;
        ASSERT_TRUE(ChangeSink(command, &report)) << command << ":\n" << report;
        m_sourceRemoved = std::string(command) == "unload";
    }

    // The meter runs on the capture source and shows a tone; returns the settled thread count.
    void StartCapturing(int* threads) {
        ASSERT_NO_FATAL_FAILURE(StartMeter());
        ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
        ASSERT_NO_FATAL_FAILURE(PlayTone(200, 150));
        *threads = SettledThreads();
        ASSERT_GT(*threads, 0);
    }

    // A tone of new levels: does the meter show it without help? If not, the user selects the
    // capture source again, and then it must. Returns which of the two it took.
    void ExpectMeasuringAgain(const char* after, bool* byItself) {
        static int round = 0;
        ++round;
        LONG left = 60 + 10 * (round % 10), right = 180 - 10 * (round % 10);
        StereoSignal tone = Tone(left, right);
        std::string name = "robust_tone_" + std::to_string(round);
        ASSERT_TRUE(player.Play(tone, name.c_str())) << "cannot play " << name;
        *byItself = WaitUntil([&] { return ReadoutsShow(left, right); }, 4000);
        std::printf("after %s capture %s by itself: %s\n", after, *byItself ? "resumes" : "does not resume",
                    Readouts().c_str());
        ASSERT_NO_FATAL_FAILURE(AnswerBoxes());
        if (*byItself) return;
        int monitor = MonitorEntry();
        ASSERT_GE(monitor, 0);
        // The other entry first: a key press on the selected entry is no selection change.
        ASSERT_NO_FATAL_FAILURE(SelectWithKeys(monitor == 0 ? 1 : 0));
        ASSERT_NO_FATAL_FAILURE(AnswerBoxes());
        ASSERT_NO_FATAL_FAILURE(SelectWithKeys(monitor));
        ASSERT_NO_FATAL_FAILURE(AnswerBoxes());
        EXPECT_TRUE(WaitUntil([&] { return ReadoutsShow(left, right); }, 10000))
            << "after " << after << " and the device selected again, the readouts do not show " << left << "/"
            << right << ": " << Readouts();
        std::printf("after %s and the device selected again: %s\n", after, Readouts().c_str());
    }

    bool m_stopped = false;
    bool m_killed = false;
    bool m_sourceRemoved = false;
};

}  // namespace

TEST_F(MeterSoundTrouble, SourceRemovedAndAddedAgain) {
    int before = 0;
    ASSERT_NO_FATAL_FAILURE(StartCapturing(&before));
    const int rounds = StressRun() ? 5 : 1;
    for (int round = 0; round < rounds; ++round) {
        ASSERT_NO_FATAL_FAILURE(Source("unload"));
        player.Stop();
        ASSERT_NO_FATAL_FAILURE(KeepsWorking(StressRun() ? 3000 : 2000));
        ASSERT_NO_FATAL_FAILURE(Source("reload"));
        ASSERT_NO_FATAL_FAILURE(KeepsWorking(1000));
        bool byItself = false;
        ASSERT_NO_FATAL_FAILURE(ExpectMeasuringAgain("the source came back", &byItself));
        ASSERT_NO_FATAL_FAILURE(KeepsWorking(500));
    }
    ASSERT_NO_FATAL_FAILURE(ExpectThreadsBackTo(before, "the source went and came back"));
    ASSERT_NO_FATAL_FAILURE(CloseAndExpectEnd());
}

TEST_F(MeterSoundTrouble, ServerStoppedAndContinued) {
    int before = 0;
    ASSERT_NO_FATAL_FAILURE(StartCapturing(&before));
    const int rounds = StressRun() ? 3 : 1;
    const DWORD stoppedMs = StressRun() ? 5000 : 2000;
    for (int round = 0; round < rounds; ++round) {
        ASSERT_NO_FATAL_FAILURE(Server("stop"));
        ASSERT_NO_FATAL_FAILURE(KeepsWorking(stoppedMs));
        ASSERT_NO_FATAL_FAILURE(Server("continue"));
        ASSERT_NO_FATAL_FAILURE(KeepsWorking(500));
        bool byItself = false;
        ASSERT_NO_FATAL_FAILURE(ExpectMeasuringAgain("the server continued", &byItself));
        RecordProperty("resumes_by_itself_after_sigcont", byItself ? "yes" : "no");
    }
    ASSERT_NO_FATAL_FAILURE(ExpectThreadsBackTo(before, "the server held still"));
    ASSERT_NO_FATAL_FAILURE(CloseAndExpectEnd());
}

TEST_F(MeterSoundTrouble, ServerKilledAndStartedAgain) {
    int before = 0;
    ASSERT_NO_FATAL_FAILURE(StartCapturing(&before));
    const int rounds = StressRun() ? 3 : 1;
    for (int round = 0; round < rounds; ++round) {
        ASSERT_NO_FATAL_FAILURE(Server("kill"));
        player.Stop();
        ASSERT_NO_FATAL_FAILURE(KeepsWorking(StressRun() ? 3000 : 2000));
        ASSERT_NO_FATAL_FAILURE(Server("restart"));
        ASSERT_NO_FATAL_FAILURE(KeepsWorking(1000));
        bool byItself = false;
        ASSERT_NO_FATAL_FAILURE(ExpectMeasuringAgain("the server was started again", &byItself));
    }
    ASSERT_NO_FATAL_FAILURE(ExpectThreadsBackTo(before, "the server was killed"));
    ASSERT_NO_FATAL_FAILURE(CloseAndExpectEnd());
}
