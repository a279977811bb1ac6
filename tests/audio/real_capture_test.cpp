// The engine against the real capture path: Wine's DirectSound, the session's PulseAudio, and
// a known signal played into the null sink whose monitor is the default capture device.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "capture/capture_engine.h"
#include "capture/capture_device_list.h"
#include "capture/capture_formats.h"
#include "tests/audio/signal_player.h"
#include "tests/support/recording_app.h"
#include "tests/support/threads.h"

namespace {

struct Reading {
    LONG left;
    LONG right;
};

bool Near(LONG value, LONG expected) { return value >= expected - 1 && value <= expected + 1; }

class RealCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("QUORVEL_TESTENV"), nullptr) << "runs only inside the test session";
        CoInitialize(nullptr);
        TestApp().Reset();
    }
    void TearDown() override {
        player.Stop();
        EXPECT_EQ(TestApp().BoxCount(), 0u) << (TestApp().BoxCount() ? TestApp().Texts()[0] : "");
        TestApp().Reset();
    }

    // Waits for the signal to arrive, then every reading over the given time must match it.
    void ExpectSteadyLevels(CCaptureEngine& engine, const StereoSignal& signal, DWORD milliseconds) {
        LONG left = signal.ExpectedLevel(0), right = signal.ExpectedLevel(1);
        ASSERT_TRUE(WaitUntil([&] { return Near(engine.GetLevel(0), left) && Near(engine.GetLevel(1), right); }, 5000))
            << "expected " << left << "/" << right << ", read " << engine.GetLevel(0) << "/" << engine.GetLevel(1);
        Sleep(100);  // blocks that straddle the change of signal are behind us
        DWORD blocksBefore = engine.GetBlockCount();
        DWORD start = GetTickCount();
        int readings = 0;
        while (GetTickCount() - start < milliseconds) {
            Reading r = {engine.GetLevel(0), engine.GetLevel(1)};
            ASSERT_TRUE(Near(r.left, left) && Near(r.right, right))
                << "reading " << readings << ": " << r.left << "/" << r.right << ", expected " << left << "/" << right;
            ++readings;
            Sleep(5);
        }
        double seconds = (GetTickCount() - start) / 1000.0;
        double rate = (engine.GetBlockCount() - blocksBefore) / seconds;
        std::printf("levels %ld/%ld steady over %d readings; %.2f blocks per second\n", left, right, readings, rate);
        RecordProperty("blocks_per_second", std::to_string(rate));
        EXPECT_GE(rate, 20.0) << "blocks must keep coming (43.07 per second at most at 44.1 kHz)";
    }

    SignalPlayer player;
};

}  // namespace

TEST_F(RealCaptureTest, MeasuresThePlayedSignal) {
    auto* engine = new CCaptureEngine;
    ASSERT_TRUE(engine->SetBlockSize(1024));
    DWORD format = WAVE_FORMAT_4S16;
    ASSERT_TRUE(engine->Open(&format, DefaultCaptureDeviceId()));
    EXPECT_EQ(format, (DWORD)WAVE_FORMAT_4S16);
    EXPECT_STREQ(FormatDisplayName(format), "44.1kHz stereo 16bit");
    engine->EnableLevels(true);
    std::set<DWORD> before = ProcessThreadIds();
    engine->Start();
    std::set<DWORD> after = ProcessThreadIds();
    std::set<DWORD> started;
    for (DWORD id : after)
        if (!before.count(id)) started.insert(id);
    ASSERT_EQ(started.size(), 1u) << "one capture thread";
    DWORD captureThread = *started.begin();

    // Different levels left and right around zero.
    StereoSignal sines = MakeSineSignal(0, 16000, 0, 6000, 20);
    EXPECT_EQ(sines.ExpectedLevel(0), 125);
    EXPECT_EQ(sines.ExpectedLevel(1), 46);
    ASSERT_TRUE(player.Play(sines, "sines"));
    ExpectSteadyLevels(*engine, sines, 2000);

    // All samples of one sign: measured from 0, not from the smallest sample.
    StereoSignal oneSign = MakeSineSignal(9000, 3000, -20000, 10000, 20);
    EXPECT_EQ(oneSign.ExpectedLevel(0), 46);
    EXPECT_EQ(oneSign.ExpectedLevel(1), 117);
    ASSERT_TRUE(player.Play(oneSign, "onesign"));
    ExpectSteadyLevels(*engine, oneSign, 1500);

    // Full scale both ways.
    StereoSignal full = MakeSineSignal(0, 32767, -0.5, 32767.5, 20);
    ASSERT_TRUE(player.Play(full, "full"));
    ExpectSteadyLevels(*engine, full, 1000);
    EXPECT_EQ(full.ExpectedLevel(0), 255);

    player.Stop();
    engine->RequestStop();
    engine->Stop();
    EXPECT_TRUE(WaitUntil([&] { return !ThreadAlive(captureThread); }, 500)) << "Stop ends the capture thread";
    EXPECT_EQ(engine->GetLevel(0), 0);
    EXPECT_EQ(engine->GetLevel(1), 0);
    delete engine;
}
