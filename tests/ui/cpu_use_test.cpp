// The program's processor use over 20 seconds of capture with a tone playing, read from /proc
// for the program's own Linux process (GetProcessTimes on another process reads next to nothing
// under Wine).
#include <cstdio>

#include "tests/ui/meter_test.h"
#include "tests/ui/session_scripts.h"

namespace {

class MeterCpuUse : public MeterTest {};

}  // namespace

TEST_F(MeterCpuUse, WhileCapturingATone) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    ASSERT_NO_FATAL_FAILURE(PlayTone(180, 90));

    double procStart, procEnd;
    std::string report;
    ASSERT_TRUE(ReadProgramCpuSeconds(&procStart, &report)) << "the program's process is not found in /proc:\n" << report;
    ULONGLONG start = GetTickCount64();
    Sleep(20000);
    ASSERT_TRUE(ReadProgramCpuSeconds(&procEnd, &report)) << report;
    double elapsed = (GetTickCount64() - start) / 1000.0;
    EXPECT_TRUE(ReadoutsShow(180, 90)) << "the tone played throughout: " << Readouts();

    double fromProc = procEnd - procStart;
    std::printf("processor time over %.1f s of capture with a tone: %.2f s (%.1f %% of one core, from /proc)\n",
                elapsed, fromProc, 100 * fromProc / elapsed);
    RecordProperty("cpu_percent", std::to_string(100 * fromProc / elapsed));
    EXPECT_GT(fromProc, 0.0) << "a capturing meter uses some processor time";
    EXPECT_LT(fromProc / elapsed, 0.5) << "a meter drawing 20 times a second should not need half a core";
}
