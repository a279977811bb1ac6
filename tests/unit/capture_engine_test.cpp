#include <gtest/gtest.h>

#include "capture/capture_engine.h"
#include "tests/fakes/fake_dsound.h"
#include "tests/support/recording_app.h"
#include "tests/support/threads.h"

namespace {

class CaptureEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp().Reset();
        baselineThreads = CountProcessThreads();
    }
    void TearDown() override {
        EXPECT_EQ(fake->LiveObjects(), 0) << "every interface released";
        EXPECT_EQ(fake->OverReleases(), 0);
        EXPECT_EQ(fake->UsesAfterRelease(), 0);
        EXPECT_TRUE(WaitUntil([&] { return CountProcessThreads() <= baselineThreads; }, 2000))
            << "no capture thread left behind";
        TestApp().Reset();
    }

    // A buffer in which every position query completes the next half.
    void FlowEveryPass() { fake->script.advancePerQuery = 4097; }

    bool OpenDefault(CCaptureEngine& engine, DWORD* format) {
        *format = WAVE_FORMAT_4S16;
        return engine.Open(format, &DSDEVID_DefaultCapture);
    }

    FakeDirectSoundScope fake;
    int baselineThreads = 0;
};

}  // namespace

TEST_F(CaptureEngineTest, SettingsBeforeAnyCapture) {
    CCaptureEngine engine;
    EXPECT_EQ(engine.GetLevel(0), 0);
    EXPECT_EQ(engine.GetLevel(1), 0);
    EXPECT_EQ(engine.GetLevel(2), 0) << "levels off: 0 for every channel";
    EXPECT_EQ(engine.GetBlockCount(), 0u);
    EXPECT_TRUE(engine.EnableLevels(true));
    EXPECT_FALSE(engine.EnableLevels(true));
    EXPECT_EQ(engine.GetLevel(0), 0);
    EXPECT_EQ(engine.GetLevel(2), -1);
    EXPECT_EQ(engine.GetLevel(-1), -1);
    EXPECT_TRUE(engine.EnableLevels(false));
    EXPECT_EQ(engine.GetLevel(-1), 0);

    EXPECT_FALSE(engine.SetBlockSize(512));
    EXPECT_FALSE(engine.SetBlockSize(0));
    EXPECT_TRUE(engine.SetBlockSize(513));
    DWORD format;
    ASSERT_TRUE(OpenDefault(engine, &format));
    EXPECT_EQ(fake->LastBufferDesc().dwBufferBytes, 513u * 4 * 2) << "the next Open uses it";
    EXPECT_EQ(fake->LastDeviceId(), &DSDEVID_DefaultCapture);
    engine.Stop();
}

TEST_F(CaptureEngineTest, MeasuresEveryBlockAndCountsIt) {
    CCaptureEngine engine;
    DWORD format;
    ASSERT_TRUE(OpenDefault(engine, &format));
    EXPECT_EQ(format, (DWORD)WAVE_FORMAT_4S16);
    fake->CurrentBuffer()->FillFrames16(1000, -16384);
    FlowEveryPass();
    engine.EnableLevels(true);
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return engine.GetBlockCount() >= 5; }, 2000));
    EXPECT_EQ(engine.GetLevel(0), 3);
    EXPECT_EQ(engine.GetLevel(1), 64);
    DWORD pollingThread = fake->LastPollingThread();
    EXPECT_NE(pollingThread, GetCurrentThreadId());
    EXPECT_TRUE(ThreadAlive(pollingThread));

    // Start again while running: the same thread goes on, counting from 0.
    engine.Start();
    EXPECT_LT(engine.GetBlockCount(), 3u);
    ASSERT_TRUE(WaitUntil([&] { return engine.GetBlockCount() >= 3; }, 2000));
    EXPECT_EQ(fake->LastPollingThread(), pollingThread);

    engine.Stop();
    EXPECT_TRUE(WaitUntil([&] { return !ThreadAlive(pollingThread); }, 1000)) << "the thread ends";
    EXPECT_EQ(engine.GetLevel(0), 0) << "and sets the levels to 0 on its way out";
    EXPECT_EQ(engine.GetLevel(1), 0);
    EXPECT_EQ(fake->CurrentBuffer()->Running(), false);
}

TEST_F(CaptureEngineTest, ThePassMeasuresInTheFormatInUse) {
    CCaptureEngine engine;
    fake->script.formats = WAVE_FORMAT_4S08;  // the device lacks 16-bit: 8-bit fallback
    DWORD format;
    ASSERT_TRUE(OpenDefault(engine, &format));
    EXPECT_EQ(format, (DWORD)WAVE_FORMAT_4S08);
    FakeCaptureBuffer* buffer = fake->CurrentBuffer();
    std::vector<BYTE> frames;
    for (int i = 0; i < 1024; ++i) {
        frames.push_back(0x80);                          // silent left
        frames.push_back((BYTE)(i % 2 ? 0xC0 : 0x40));   // right at half scale
    }
    buffer->FillBytes(frames.data(), (DWORD)frames.size(), 0);
    buffer->FillBytes(frames.data(), (DWORD)frames.size(), (DWORD)frames.size());
    fake->script.advancePerQuery = 2049;
    engine.EnableLevels(true);
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return engine.GetBlockCount() >= 3; }, 2000));
    EXPECT_EQ(engine.GetLevel(0), 0) << "8-bit silence is 0x80";
    EXPECT_EQ(engine.GetLevel(1), 128);
    engine.Stop();
}

TEST_F(CaptureEngineTest, LevelsSwitchedOffKeepTheLastMeasuredValues) {
    CCaptureEngine engine;
    DWORD format;
    ASSERT_TRUE(OpenDefault(engine, &format));
    FakeCaptureBuffer* buffer = fake->CurrentBuffer();
    buffer->FillFrames16(2560, 0);
    FlowEveryPass();
    engine.EnableLevels(true);
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return engine.GetLevel(0) == 10; }, 2000));
    engine.EnableLevels(false);
    DWORD counted = engine.GetBlockCount();
    EXPECT_EQ(engine.GetLevel(0), 0);
    buffer->FillFrames16(5120, 0);
    ASSERT_TRUE(WaitUntil([&] { return engine.GetBlockCount() >= counted + 3; }, 2000))
        << "blocks are still counted";
    fake->script.advancePerQuery = 0;  // no more blocks
    Sleep(30);
    engine.EnableLevels(true);
    EXPECT_EQ(engine.GetLevel(0), 10) << "the last block measured while levels were on";
    fake->script.advancePerQuery = 4097;
    EXPECT_TRUE(WaitUntil([&] { return engine.GetLevel(0) == 20; }, 2000));
    engine.Stop();
}

TEST_F(CaptureEngineTest, AFailedOpenLeavesNothingToStart) {
    CCaptureEngine engine;
    DWORD format;
    // First a real run, so that the block counter has something to keep.
    ASSERT_TRUE(OpenDefault(engine, &format));
    FlowEveryPass();
    engine.EnableLevels(true);
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return engine.GetBlockCount() >= 2; }, 2000));
    engine.Stop();
    DWORD thread = fake->LastPollingThread();
    ASSERT_TRUE(WaitUntil([&] { return !ThreadAlive(thread); }, 1000));
    DWORD counted = engine.GetBlockCount();

    fake->script.formats = 0;
    EXPECT_FALSE(OpenDefault(engine, &format));
    EXPECT_EQ(format, (DWORD)WAVE_FORMAT_4S16);
    EXPECT_EQ(TestApp().BoxCount(), 1u);
    int queries = fake->PositionQueries();
    engine.Start();
    Sleep(50);
    EXPECT_EQ(fake->PositionQueries(), queries) << "no capture thread";
    EXPECT_EQ(engine.GetBlockCount(), counted) << "counter kept";
    EXPECT_EQ(TestApp().BoxCount(), 1u) << "nothing shown";

    engine.Stop();
    EXPECT_EQ(fake->LiveObjects(), 1) << "Stop keeps the failed wrapper";
    fake->script.formats = 0xFFFFF;
    EXPECT_TRUE(OpenDefault(engine, &format));
    EXPECT_EQ(fake->LiveObjects(), 2) << "the next Open replaces it";
    engine.Stop();
    EXPECT_EQ(fake->LiveObjects(), 0);
}

TEST_F(CaptureEngineTest, DeviceSwitchKeepsCapturing) {
    CCaptureEngine engine;
    DWORD format;
    ASSERT_TRUE(OpenDefault(engine, &format));
    FlowEveryPass();
    fake->CurrentBuffer()->FillFrames16(2560, 2560);
    engine.EnableLevels(true);
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return engine.GetLevel(0) == 10; }, 2000));

    GUID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    fake->script.formats = WAVE_FORMAT_48S16;
    engine.RequestStop();
    engine.Stop();
    format = WAVE_FORMAT_4S16;
    ASSERT_TRUE(engine.Open(&format, &other));
    EXPECT_EQ(format, (DWORD)WAVE_FORMAT_48S16);
    EXPECT_EQ(fake->LastDeviceId(), &other);
    fake->CurrentBuffer()->FillFrames16(5120, 7680);
    engine.Start();
    EXPECT_TRUE(WaitUntil([&] { return engine.GetLevel(0) == 20 && engine.GetLevel(1) == 30; }, 2000));
    EXPECT_EQ(fake->LiveObjects(), 2) << "the old device is gone";
    engine.RequestStop();
    engine.Stop();
}

TEST_F(CaptureEngineTest, EmptyHalvesAreNotCounted) {
    CCaptureEngine engine;
    DWORD format;
    ASSERT_TRUE(OpenDefault(engine, &format));
    fake->script.lockResult = DSERR_INVALIDCALL;  // every half is lost
    FlowEveryPass();
    engine.EnableLevels(true);
    engine.Start();
    ASSERT_TRUE(TestApp().WaitForBoxes(3, 2000));
    EXPECT_EQ(engine.GetBlockCount(), 0u);
    std::vector<RecordedBox> boxes = TestApp().Boxes();
    EXPECT_NE(boxes[0].threadId, GetCurrentThreadId()) << "shown on the capture thread";
    engine.Stop();
}

TEST_F(CaptureEngineTest, DeletingARunningEngineEndsItsThreadFirst) {
    auto* engine = new CCaptureEngine;
    DWORD format;
    ASSERT_TRUE(OpenDefault(*engine, &format));
    FlowEveryPass();
    engine->Start();
    ASSERT_TRUE(WaitUntil([&] { return engine->GetBlockCount() >= 2; }, 2000));
    DWORD thread = fake->LastPollingThread();
    delete engine;  // no Stop: the engine must still not be pulled from under its thread
    EXPECT_FALSE(ThreadAlive(thread));
}

// A box raised while opening runs a message loop; a second device switch coming through it must
// not make the first Open lose the wrapper the second one stored.
TEST_F(CaptureEngineTest, OpenWithinAFailureBoxOfOpen) {
    auto* engine = new CCaptureEngine;
    fake->script.initializeResult = DSERR_NODRIVER;
    bool innerOpened = false;
    TestApp().DuringNextBox([&] {
        fake->script.initializeResult = DS_OK;
        DWORD innerFormat = WAVE_FORMAT_4S16;
        innerOpened = engine->Open(&innerFormat, nullptr);
    });
    DWORD format = WAVE_FORMAT_4S16;
    EXPECT_FALSE(engine->Open(&format, nullptr)) << "the outer device stays unbound";
    EXPECT_TRUE(innerOpened);
    EXPECT_EQ(fake->CaptureObjectsCreated(), 2);
    EXPECT_EQ(fake->LiveObjects(), 1) << "the inner device is released, the outer one kept";
    fake->script.advancePerQuery = 4097;
    engine->Start();  // the outer, failed Open decides: nothing to start
    Sleep(50);
    EXPECT_EQ(fake->PositionQueries(), 0) << "no capture thread polls";
    delete engine;
}
