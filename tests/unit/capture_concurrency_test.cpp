#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "capture/capture_engine.h"
#include "tests/fakes/fake_dsound.h"
#include "tests/support/import_patch.h"
#include "tests/support/recording_app.h"
#include "tests/support/threads.h"

namespace {

class CaptureConcurrencyTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp().Reset();
        baselineThreads = CountProcessThreads();
        fake->script.advancePerQuery = 4097;  // every pass finds a complete half
    }
    void TearDown() override {
        TestApp().Reset();
        EXPECT_EQ(fake->LiveObjects(), 0) << "no wrapper leaked";
        EXPECT_EQ(fake->OverReleases(), 0);
        EXPECT_EQ(fake->UsesAfterRelease(), 0) << "no pass used a released device";
        EXPECT_EQ(fake->DeviceRefusals(), 0) << "no capture object was made for a device still held";
        EXPECT_TRUE(WaitUntil([&] { return CountProcessThreads() <= baselineThreads; }, 2000));
    }

    FakeDirectSoundScope fake;
    int baselineThreads = 0;
};

DWORD Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (DWORD)((to.QuadPart - from.QuadPart) * 1000 / frequency.QuadPart);
}

template <typename F>
DWORD Timed(F f) {
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    f();
    QueryPerformanceCounter(&to);
    return Milliseconds(from, to);
}

// A window of the owner's thread that answers one message, to prove it is served while the
// owner waits.
LRESULT CALLBACK PingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_APP) return 4242;
    return DefWindowProcA(window, message, w, l);
}

struct Releaser {
    HWND window;
    DWORD delayMs;
    LRESULT pingAnswer = 0;
    BOOL pingAnswered = FALSE;
    DWORD releasedAt = 0;
};

DWORD WINAPI AnswerBoxesLater(LPVOID param) {
    auto* releaser = static_cast<Releaser*>(param);
    Sleep(releaser->delayMs);
    DWORD_PTR answer = 0;
    releaser->pingAnswered = SendMessageTimeoutA(releaser->window, WM_APP, 0, 0, SMTO_NORMAL, 2000, &answer) != 0;
    releaser->pingAnswer = (LRESULT)answer;
    releaser->releasedAt = GetTickCount();
    TestApp().ReleaseBoxes();
    return 0;
}

BOOL WINAPI FailDuplicateHandle(HANDLE, HANDLE, HANDLE, LPHANDLE, DWORD, BOOL, DWORD) {
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return FALSE;
}

// A gate in front of a capture thread's flag test: its pacing sleep, the only wait of 1 to 10 ms
// it makes, first waits for the gate to open. The thread is then held between two passes.
std::atomic<DWORD> g_gatedThread{0};
HANDLE g_gateOpen = CreateEventA(nullptr, TRUE, TRUE, nullptr);
HANDLE g_atGate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
decltype(&WaitForSingleObject) g_waitForSingleObject = nullptr;

DWORD WINAPI GatedWaitForSingleObject(HANDLE object, DWORD timeoutMs) {
    if (timeoutMs >= 1 && timeoutMs <= 10 && GetCurrentThreadId() == g_gatedThread) {
        SetEvent(g_atGate);
        g_waitForSingleObject(g_gateOpen, INFINITE);
    }
    return g_waitForSingleObject(object, timeoutMs);
}

std::set<DWORD> NewThreads(const std::set<DWORD>& before) {
    std::set<DWORD> added;
    for (DWORD id : ProcessThreadIds())
        if (!before.count(id)) added.insert(id);
    return added;
}

}  // namespace

// Where the capture thread's next flag test falls decides how a device switch goes on; either
// way a thread captures from the new device afterwards. The thread is held where the owner
// switches (between two passes, or inside one, in its position query), so each outcome is made
// to happen, not hoped for.
TEST_F(CaptureConcurrencyTest, ARestartIsNeverLostToAThreadThatIsEnding) {
    // In place before the thread starts: its loop may take the address of the wait only once.
    ImportPatch gate("kernel32.dll", "WaitForSingleObject", reinterpret_cast<const void*>(GatedWaitForSingleObject));
    ASSERT_TRUE(gate.Applied());
    g_waitForSingleObject = gate.Original<decltype(&WaitForSingleObject)>();
    auto* engine = new CCaptureEngine;
    DWORD format = WAVE_FORMAT_4S16;
    ASSERT_TRUE(engine->Open(&format, nullptr));
    fake->CurrentBuffer()->FillFrames16(2560, 0);
    engine->EnableLevels(true);
    engine->Start();
    ASSERT_TRUE(WaitUntil([&] { return engine->GetLevel(0) == 10; }, 2000));
    const DWORD first = fake->LastPollingThread();

    // Start comes before the flag test: the held thread carries on, with the new device.
    std::set<DWORD> threads = ProcessThreadIds();
    ResetEvent(g_gateOpen);
    ResetEvent(g_atGate);
    g_gatedThread = first;
    ASSERT_EQ(WaitForSingleObject(g_atGate, 2000), (DWORD)WAIT_OBJECT_0) << "the thread does not reach the gate";
    engine->RequestStop();
    engine->Stop();
    EXPECT_EQ(fake->LiveObjects(), 0) << "no pass held the device: Stop released it";
    format = WAVE_FORMAT_4S16;
    ASSERT_TRUE(engine->Open(&format, nullptr));
    fake->CurrentBuffer()->FillFrames16(5120, 0);
    engine->Start();
    g_gatedThread = 0;
    SetEvent(g_gateOpen);
    EXPECT_TRUE(WaitUntil([&] { return engine->GetLevel(0) == 20; }, 2000)) << "nothing captured from the new device";
    EXPECT_EQ(fake->LastPollingThread(), first) << "the held thread carried on";
    EXPECT_TRUE(NewThreads(threads).empty()) << "no second capture thread";

    // The thread has decided to end when Start comes: a new one takes over. Its pass held the
    // device when Open came, which waited for the pass to let go of it.
    fake->HoldPositionQueries();
    DWORD held = 0;
    ASSERT_TRUE(fake->WaitForHeldQuery(2000, &held));
    EXPECT_EQ(held, first);
    engine->RequestStop();
    engine->Stop();
    EXPECT_EQ(fake->LiveObjects(), 2) << "the held pass still has its device";
    std::thread release([&] {
        Sleep(100);
        fake->ReleasePositionQueries();
    });
    format = WAVE_FORMAT_4S16;
    bool opened = engine->Open(&format, nullptr);  // open, but not running: the flag test ends the thread
    release.join();
    ASSERT_TRUE(opened);
    EXPECT_EQ(fake->LiveObjects(), 2) << "the first device went before the second was made";
    fake->CurrentBuffer()->FillFrames16(7680, 0);
    // Its decision sets both levels to 0, under the same lock in which it lets go of the thread
    // object: Start comes at once, while that thread may still be on its way out.
    ASSERT_TRUE(WaitUntil([&] { return engine->GetLevel(0) == 0; }, 2000)) << "the thread does not end";
    engine->Start();
    EXPECT_TRUE(WaitUntil([&] { return engine->GetLevel(0) == 30; }, 2000)) << "the restart was lost";
    EXPECT_NE(fake->LastPollingThread(), first) << "a new thread captures";
    EXPECT_TRUE(WaitUntil([&] { return !ThreadAlive(first); }, 1000)) << "the old thread ended";

    engine->RequestStop();
    engine->Stop();
    delete engine;
}

// A thread the engine holds no handle of its own on could not be waited for when the engine is
// deleted: such a thread never runs the loop. It is told like a thread that could not start,
// and the next Start tries again. So is one that cannot be resumed, which is not left behind.
TEST_F(CaptureConcurrencyTest, NoCaptureThreadWithoutAHandleToWaitFor) {
    auto* engine = new CCaptureEngine;
    DWORD format = WAVE_FORMAT_4S16;
    ASSERT_TRUE(engine->Open(&format, nullptr));
    engine->EnableLevels(true);
    {
        ImportPatch failing("kernel32.dll", "DuplicateHandle", reinterpret_cast<const void*>(FailDuplicateHandle));
        ASSERT_TRUE(failing.Applied());
        engine->Start();
        EXPECT_EQ(TestApp().Texts(), std::vector<std::string>{"Can't start capture thread"});
        Sleep(50);  // five poll periods
        EXPECT_EQ(fake->PositionQueries(), 0) << "no pass ran";
        EXPECT_TRUE(WaitUntil([&] { return CountProcessThreads() <= baselineThreads; }, 1000))
            << "the thread that was started ended at once";
    }
    // One that cannot be resumed is not left behind suspended.
    {
        ImportPatch failing("kernel32.dll", "ResumeThread", reinterpret_cast<const void*>(FailingResumeThread));
        ASSERT_TRUE(failing.Applied());
        engine->Start();
        EXPECT_EQ(TestApp().BoxCount(), 2u) << "told like a thread that could not start";
        EXPECT_LE(CountProcessThreads(), baselineThreads) << "a suspended thread was left";
    }
    engine->Start();
    ASSERT_TRUE(WaitUntil([&] { return engine->GetBlockCount() >= 2; }, 2000)) << "the next Start captures";
    DWORD thread = fake->LastPollingThread();
    delete engine;  // no Stop: deletion waits for the thread
    EXPECT_FALSE(ThreadAlive(thread));
}

// Device switches as fast as they come, against a capture thread that is always in the middle of
// something: no crash, no leak, no pass on a released device, and after every Start with a device
// open some capture thread runs.
TEST_F(CaptureConcurrencyTest, ThousandsOfSwitchesAgainstARunningThread) {
    auto* engine = new CCaptureEngine;
    DWORD format = WAVE_FORMAT_4S16;
    ASSERT_TRUE(engine->Open(&format, nullptr));
    engine->EnableLevels(true);
    engine->Start();
    const int kCycles = 3000;
    int verified = 0;
    for (int i = 0; i < kCycles; ++i) {
        engine->RequestStop();
        if (i % 5 == 1) Sleep(1);  // let the thread's flag test fall between stop and start
        engine->Stop();
        if (i % 7 == 2) Sleep(1);
        format = WAVE_FORMAT_4S16;
        ASSERT_TRUE(engine->Open(&format, nullptr)) << "cycle " << i;
        if (i % 11 == 3) Sleep(1);
        engine->Start();
        if (i % 4 == 0) {
            ASSERT_TRUE(WaitUntil([&] { return engine->GetBlockCount() >= 1; }, 1000))
                << "no capture thread runs after Start in cycle " << i;
            ++verified;
        }
    }
    EXPECT_EQ(verified, kCycles / 4);
    engine->RequestStop();
    engine->Stop();
    delete engine;
    EXPECT_EQ(TestApp().BoxCount(), 0u);
}

// The capture thread sits in an error box that nobody answers yet. The owner's calls do not wait
// for it, but for two: Open, which must not make a second capture object on the device that the
// held pass still has, and deleting the engine, which must not go before the thread. Both wait
// while the owner's windows work.
TEST_F(CaptureConcurrencyTest, OwnerWaitsForAHeldErrorBoxOnlyToReopenOrDelete) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QuorvelPing";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("QuorvelPing", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    fake->script.lockResult = DSERR_INVALIDCALL;
    TestApp().HoldBoxes();
    auto* engine = new CCaptureEngine;
    DWORD format = WAVE_FORMAT_4S16;
    ASSERT_TRUE(engine->Open(&format, nullptr));
    engine->EnableLevels(true);
    engine->Start();
    ASSERT_TRUE(TestApp().WaitForBoxes(1, 2000));
    DWORD captureThread = TestApp().Boxes()[0].threadId;
    ASSERT_NE(captureThread, GetCurrentThreadId());
    EXPECT_NE(TestApp().Boxes()[0].text.find("Fehler: PufferLock"), std::string::npos);

    EXPECT_LT(Timed([&] { engine->RequestStop(); }), 100u);
    EXPECT_LT(Timed([&] { engine->Stop(); }), 100u);
    EXPECT_EQ(fake->LiveObjects(), 2) << "the held pass still has its device";
    EXPECT_LT(Timed([&] { engine->Start(); }), 100u);  // nothing open: nothing to do
    EXPECT_LT(Timed([&] { engine->GetLevel(0); engine->GetLevel(1); engine->GetBlockCount(); }), 100u);
    EXPECT_TRUE(ThreadAlive(captureThread));

    // The same device again: it opens, without a box of its own, once the box is answered.
    Releaser opening{window, 300};
    HANDLE helper = CreateThread(nullptr, 0, AnswerBoxesLater, &opening, 0, nullptr);
    ASSERT_NE(helper, nullptr);
    format = WAVE_FORMAT_4S16;
    DWORD openStarted = GetTickCount();
    bool opened = engine->Open(&format, nullptr);
    DWORD openEnded = GetTickCount();
    WaitForSingleObject(helper, INFINITE);
    CloseHandle(helper);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(opening.pingAnswered) << "the owner's window was served during the wait";
    EXPECT_EQ(opening.pingAnswer, 4242);
    EXPECT_GE(openEnded - openStarted, 250u) << "Open waited for the answer";
    EXPECT_GE((LONG)(openEnded - opening.releasedAt), 0);
    EXPECT_EQ(TestApp().BoxCount(), 1u) << (TestApp().BoxCount() > 1 ? TestApp().Texts()[1] : "");

    // A box again; Stop, as the window's close does, then delete while the box is still up.
    TestApp().HoldBoxes();
    engine->Start();
    ASSERT_TRUE(TestApp().WaitForBoxes(2, 2000));
    captureThread = TestApp().Boxes()[1].threadId;
    engine->RequestStop();
    engine->Stop();
    Releaser releaser{window, 300};
    helper = CreateThread(nullptr, 0, AnswerBoxesLater, &releaser, 0, nullptr);
    ASSERT_NE(helper, nullptr);
    DWORD deletionStarted = GetTickCount();
    delete engine;
    DWORD deletionEnded = GetTickCount();
    WaitForSingleObject(helper, INFINITE);
    CloseHandle(helper);

    EXPECT_TRUE(releaser.pingAnswered) << "the owner's window was served during the wait";
    EXPECT_EQ(releaser.pingAnswer, 4242);
    EXPECT_GE(deletionEnded - deletionStarted, 250u) << "deletion waited for the answer";
    EXPECT_GE((LONG)(deletionEnded - releaser.releasedAt), 0);
    EXPECT_LT(deletionEnded - releaser.releasedAt, 1000u) << "and ended soon after it";
    EXPECT_FALSE(ThreadAlive(captureThread)) << "never before the thread has ended";
    DestroyWindow(window);
}
