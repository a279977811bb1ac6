// The meter window in this very process, on the fake capture device, while it is inside a nested
// message loop: a box on its own thread (the test's app records boxes; what a user does while
// one is up runs in the box's place, on the window's thread, as the box's loop would run it), or
// the close sequence waiting for a capture thread held by its error box. Every handler may run
// then; nothing may crash, and what the user asked for happens once the interrupted work is done.
// After every case the engine's thread has ended and its devices and drawing contexts are gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "res/resource.h"
#include "tests/fakes/fake_dsound.h"
#include "tests/support/import_patch.h"
#include "tests/support/recording_app.h"
#include "tests/support/threads.h"
#include "tests/support/wide_text.h"
#include "ui/meter_dialog.h"

namespace {

const char kInitializeFailed[] = "Fehler: DirectSound Initialisierung";
const char kCapsFailed[] = "Fehler: GetCaps, eventuell wird Aufnahmeformat nicht unterstützt";

#ifndef QUORVEL_WEB_HOST
#error "QUORVEL_WEB_HOST must name the maker's web host"
#endif
const char kLockFailed[] = "Fehler: PufferLock";

// Drawing contexts that the code of this program took with GetDC and has not given back.
std::atomic<int> g_heldContexts{0};
decltype(&GetDC) g_getDC = nullptr;
decltype(&ReleaseDC) g_releaseDC = nullptr;

HDC WINAPI CountingGetDC(HWND window) {
    HDC context = g_getDC(window);
    if (context) ++g_heldContexts;
    return context;
}

int WINAPI CountingReleaseDC(HWND window, HDC context) {
    int released = g_releaseDC(window, context);
    if (released) --g_heldContexts;
    return released;
}

// Controls looked up by id, and texts written, on the window's thread.
std::atomic<int> g_lookups{0};
std::atomic<int> g_textsWritten{0};
std::atomic<DWORD> g_countedThread{0};
decltype(&GetDlgItem) g_getDlgItem = nullptr;
decltype(&SetDlgItemTextW) g_setDlgItemText = nullptr;
decltype(&SetWindowTextW) g_setWindowText = nullptr;

bool OnCountedThread() { return GetCurrentThreadId() == g_countedThread; }

HWND WINAPI CountingGetDlgItem(HWND dialog, int id) {
    if (OnCountedThread()) ++g_lookups;
    return g_getDlgItem(dialog, id);
}

BOOL WINAPI CountingSetDlgItemText(HWND dialog, int id, LPCWSTR text) {
    if (OnCountedThread()) ++g_lookups;
    return g_setDlgItemText(dialog, id, text);
}

BOOL WINAPI CountingSetWindowText(HWND window, LPCWSTR text) {
    if (OnCountedThread()) ++g_textsWritten;
    return g_setWindowText(window, text);
}

uintptr_t __cdecl FailBeginThreadEx(void*, unsigned, unsigned(__stdcall*)(void*), void*, unsigned, unsigned*) {
    return 0;  // as when no thread can be made
}

// A window's text, read wide (the way a window of any script is read).
std::string Text(HWND window) {
    wchar_t text[512] = L"";
    int length = GetWindowTextW(window, text, 512);
    return Utf8(text, length > 0 && length < 512 ? length : 0);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct WindowSearch {
    int childId;
    HWND found;
};

BOOL CALLBACK FindByChild(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if (!GetDlgItem(window, search->childId)) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK FindToolTip(HWND window, LPARAM found) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

class MeterWindowNestedLoops : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_getDC.Applied() && m_releaseDC.Applied());
        g_getDC = m_getDC.Original<decltype(&GetDC)>();
        g_releaseDC = m_releaseDC.Original<decltype(&ReleaseDC)>();
        g_heldContexts = 0;
        TestApp().Reset();
        fake->script.advancePerQuery = 4097;  // a half at every pass
        m_windowThread = GetCurrentThreadId();
    }

    void TearDown() override {
        if (m_driver.joinable()) m_driver.join();
        for (const std::string& failure : m_driverFailures) ADD_FAILURE() << failure;
        EXPECT_EQ(g_heldContexts, 0) << "drawing contexts left when the window had gone";
        EXPECT_EQ(fake->LiveObjects(), 0) << "capture objects or buffers left";
        EXPECT_EQ(fake->OverReleases(), 0);
        EXPECT_EQ(fake->UsesAfterRelease(), 0);
        EXPECT_EQ(fake->DeviceRefusals(), 0) << "a capture object was made for a device still held";
        EXPECT_FALSE(ThreadAlive(fake->LastPollingThread())) << "the capture thread outlived the window";
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}  // a WM_QUIT the loop passed on
        TestApp().Reset();
    }

    // Runs the meter window on this thread until its modal loop ends; DoModal's result.
    INT_PTR RunMeter() {
        CMeterDialog dialog;
        TestApp().m_pMainWnd = &dialog;
        INT_PTR result = dialog.DoModal();
        TestApp().m_pMainWnd = nullptr;
        return result;
    }

    // Steps of a user from another thread while the window runs (its sends are served by the
    // window's loops); what goes wrong is reported once the window has gone. Steps that went wrong
    // may not have ended the window: a quit ends it then, so that the case fails instead of hanging.
    void Meanwhile(std::function<void()> steps) {
        m_driver = std::thread([this, steps = std::move(steps)] {
            steps();
            std::lock_guard<std::mutex> lock(m_failuresLock);
            if (!m_driverFailures.empty()) PostThreadMessageA(m_windowThread, WM_QUIT, 0, 0);
        });
    }
    void DriverFailure(const std::string& failure) {
        std::lock_guard<std::mutex> lock(m_failuresLock);
        m_driverFailures.push_back(failure);
    }

    // A top-level window of the meter's thread with that control, shown or not.
    HWND WindowWith(int childId) {
        WindowSearch search = {childId, nullptr};
        EnumThreadWindows(m_windowThread, FindByChild, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND MeterWindow() { return WindowWith(IDC_DEVICE_LIST); }
    HWND WaitForShownMeter() {
        HWND meter = nullptr;
        if (!WaitUntil([&] { return (meter = MeterWindow()) && IsWindowVisible(meter); }, 10000)) {
            DriverFailure("the meter window does not show");
            return nullptr;
        }
        return meter;
    }
    // The shown meter once a box of its capture thread is held up; null (boxes let go) if none comes.
    HWND WaitForMeterWithACaptureBox() {
        HWND meter = WaitForShownMeter();
        if (meter && TestApp().WaitForBoxes(1, 5000)) return meter;
        DriverFailure("no box from the capture thread");
        TestApp().ReleaseBoxes();
        return nullptr;
    }

    // A message the window must answer within 3 s, whatever it is doing.
    void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const char* what) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 3000, &ignored))
            DriverFailure(std::string("no answer within 3 s to ") + what);
    }
    // The list box's own way of telling a choice: the selection, then LBN_SELCHANGE.
    void Choose(HWND meter, int entry) {
        HWND list = GetDlgItem(meter, IDC_DEVICE_LIST);
        Send(list, LB_SETCURSEL, entry, 0, "LB_SETCURSEL");
        Send(meter, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_LIST, LBN_SELCHANGE), (LPARAM)list, "a device choice");
    }

    // The same, posted: for a choice whose switch waits, so that this thread goes on meanwhile.
    void PostChoice(HWND meter, int entry) {
        HWND list = GetDlgItem(meter, IDC_DEVICE_LIST);
        if (!PostMessageA(list, LB_SETCURSEL, entry, 0) ||
            !PostMessageA(meter, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_LIST, LBN_SELCHANGE), (LPARAM)list))
            DriverFailure("a choice cannot be posted");
    }
    // The entry whose item data the condition picks; -1 when none does.
    int EntryWhere(HWND meter, const std::function<bool(const GUID*)>& wanted) {
        HWND list = GetDlgItem(meter, IDC_DEVICE_LIST);
        int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int entry = 0; entry < count; ++entry)
            if (wanted(reinterpret_cast<const GUID*>(SendMessageA(list, LB_GETITEMDATA, entry, 0)))) return entry;
        return -1;
    }
    HWND FocusedControl() {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        return GetGUIThreadInfo(m_windowThread, &info) ? info.hwndFocus : nullptr;
    }

    // Fills the current capture buffer with a signal of levels 10 and 20, and gives the two
    // readouts once they show it (or as they are after 3 s): "L\t10 R\t20" when capture runs.
    std::string ReadoutsOfASignal(HWND meter) {
        if (FakeCaptureBuffer* buffer = fake->CurrentBuffer()) buffer->FillFrames16(2560, 5120);
        char left[32] = "", right[32] = "";
        WaitUntil([&] {
            GetDlgItemTextA(meter, IDC_VALUE_LEFT, left, sizeof(left));
            GetDlgItemTextA(meter, IDC_VALUE_RIGHT, right, sizeof(right));
            return std::string(left) == "L\t10" && std::string(right) == "R\t20";
        }, 3000);
        return std::string(left) + " " + right;
    }

    std::string FormatLine(HWND meter) {
        char text[64] = "";
        GetDlgItemTextA(meter, IDC_FORMAT_NAME, text, sizeof(text));
        return text;
    }

    FakeDirectSoundScope fake;
    ImportPatch m_getDC{"user32.dll", "GetDC", reinterpret_cast<const void*>(CountingGetDC)};
    ImportPatch m_releaseDC{"user32.dll", "ReleaseDC", reinterpret_cast<const void*>(CountingReleaseDC)};
    DWORD m_windowThread = 0;
    std::thread m_driver;
    std::mutex m_failuresLock;
    std::vector<std::string> m_driverFailures;
};

}  // namespace

// A close that comes while a box of the start-up's Open or Start is up: the start-up goes on to
// its end (the GetCaps box still follows the Initialize box), and then the window closes.
TEST_F(MeterWindowNestedLoops, CloseDuringAStartUpBoxWaitsForTheStartUp) {
    fake->script.initializeResult = DSERR_NODRIVER;
    TestApp().DuringNextBox([&] { SendMessageA(MeterWindow(), WM_CLOSE, 0, 0); });
    EXPECT_EQ(RunMeter(), IDCANCEL) << "the window was made, and closed as asked";
    std::vector<std::string> boxes = TestApp().Texts();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(EndsWith(boxes[0], kInitializeFailed)) << boxes[0];
    EXPECT_TRUE(EndsWith(boxes[1], kCapsFailed)) << boxes[1];

    TestApp().Reset();
    fake->script.initializeResult = DS_OK;
    ImportPatch noThreads("msvcrt.dll", "_beginthreadex", reinterpret_cast<const void*>(FailBeginThreadEx));
    ASSERT_TRUE(noThreads.Applied());
    TestApp().DuringNextBox([&] { SendMessageA(MeterWindow(), WM_CLOSE, 0, 0); });
    EXPECT_EQ(RunMeter(), IDCANCEL);
    EXPECT_EQ(TestApp().Texts(), std::vector<std::string>{"Can't start capture thread"});
}

// The same for a device switch: its Open finishes, then the window closes.
TEST_F(MeterWindowNestedLoops, CloseDuringADeviceSwitchBoxWaitsForTheSwitch) {
    Meanwhile([&] {
        HWND meter = WaitForShownMeter();
        if (!meter) return;
        fake->script.initializeResult = DSERR_NODRIVER;  // read on the window's thread, after the send below
        TestApp().DuringNextBox([meter] { SendMessageA(meter, WM_CLOSE, 0, 0); });
        Choose(meter, 1);
    });
    EXPECT_EQ(RunMeter(), IDCANCEL);
    std::vector<std::string> boxes = TestApp().Texts();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(EndsWith(boxes[0], kInitializeFailed)) << boxes[0];
    EXPECT_TRUE(EndsWith(boxes[1], kCapsFailed)) << boxes[1];
}

// The user picks device B while the box about device A is up: B is the device open once all
// boxes are answered, the format line shows B's format, and capture runs on it.
TEST_F(MeterWindowNestedLoops, TheLastDeviceChosenDuringABoxIsTheOneOpen) {
    const GUID* deviceB = nullptr;
    const GUID* deviceSeen = nullptr;
    std::string formatLine, readouts;
    int liveObjects = -1;
    Meanwhile([&] {
        HWND meter = WaitForShownMeter();
        if (!meter) return;
        HWND list = GetDlgItem(meter, IDC_DEVICE_LIST);
        if (SendMessageA(list, LB_GETCOUNT, 0, 0) < 2) {
            DriverFailure("the session offers fewer than two capture devices");
            Send(meter, WM_CLOSE, 0, 0, "WM_CLOSE");
            return;
        }
        deviceB = reinterpret_cast<const GUID*>(SendMessageA(list, LB_GETITEMDATA, 0, 0));
        fake->script.initializeResult = DSERR_NODRIVER;  // device A cannot be bound
        TestApp().DuringNextBox([&, meter] {
            fake->script.initializeResult = DS_OK;
            fake->script.formats = WAVE_FORMAT_48S16;  // B has a format of its own
            Choose(meter, 0);
        });
        Choose(meter, 1);
        deviceSeen = fake->LastDeviceId();
        formatLine = FormatLine(meter);
        liveObjects = fake->LiveObjects();
        readouts = ReadoutsOfASignal(meter);
        Send(meter, WM_CLOSE, 0, 0, "WM_CLOSE");
    });
    RunMeter();
    std::vector<std::string> boxes = TestApp().Texts();
    ASSERT_EQ(boxes.size(), 2u) << "A's two boxes, and none for B";
    EXPECT_TRUE(EndsWith(boxes[0], kInitializeFailed)) << boxes[0];
    EXPECT_TRUE(EndsWith(boxes[1], kCapsFailed)) << boxes[1];
    EXPECT_EQ(deviceSeen, deviceB) << "the device opened last is the one chosen last";
    EXPECT_EQ(formatLine, "48kHz stereo 16bit");
    EXPECT_EQ(liveObjects, 2) << "B's capture object and buffer, and nothing of A";
    EXPECT_EQ(readouts, "L\t10 R\t20") << "capture runs on B";
}

// The capture thread's box holds its pass, and the pass the device in use, when the user chooses
// that device's entries (the primary driver's, which names the default device, then the default
// device's own). The switch waits for the pass to let go of the device, with the window working;
// once the box is answered the entry chosen last is open, with no box of its own, and captures.
TEST_F(MeterWindowNestedLoops, TheDeviceInUseChosenDuringACaptureBoxOpensOnceItIsFree) {
    fake->script.lockResult = DSERR_INVALIDCALL;
    fake->script.lockFailsFromCall = 3;
    fake->script.lockFailsToCall = 3;
    TestApp().HoldBoxes();
    const GUID* chosenLast = nullptr;
    const GUID* deviceSeen = nullptr;
    int objectsMadeWhileWaiting = -1;
    std::string readouts;
    Meanwhile([&] {
        HWND meter = WaitForMeterWithACaptureBox();
        if (!meter) return;
        GUID defaultDevice;
        HRESULT found = GetDeviceID(&DSDEVID_DefaultCapture, &defaultDevice);
        int primary = EntryWhere(meter, [](const GUID* id) { return id == nullptr; });
        int own = EntryWhere(meter, [&](const GUID* id) {
            return SUCCEEDED(found) && id && IsEqualGUID(*id, defaultDevice);
        });
        if (primary < 0 || own < 0) {
            DriverFailure("the session's list has no entries of the default device");
            TestApp().ReleaseBoxes();
            Send(meter, WM_CLOSE, 0, 0, "WM_CLOSE");
            return;
        }
        HWND list = GetDlgItem(meter, IDC_DEVICE_LIST);
        chosenLast = reinterpret_cast<const GUID*>(SendMessageA(list, LB_GETITEMDATA, own, 0));
        int objectsMade = fake->CaptureObjectsCreated();
        PostChoice(meter, primary);
        PostChoice(meter, own);
        // Both choices taken in while the first switch waits for the box.
        DWORD_PTR selected = (DWORD_PTR)LB_ERR;
        auto ownSelected = [&] {
            return SendMessageTimeoutA(list, LB_GETCURSEL, 0, 0, SMTO_NORMAL, 3000, &selected) && (int)selected == own;
        };
        if (!WaitUntil(ownSelected, 3000)) DriverFailure("the window does not take the choices while the switch waits");
        Sleep(100);
        Send(meter, WM_NULL, 0, 0, "a message while the switch waits");
        objectsMadeWhileWaiting = fake->CaptureObjectsCreated() - objectsMade;
        TestApp().ReleaseBoxes();
        WaitUntil([&] { return (deviceSeen = fake->LastDeviceId()) == chosenLast && fake->LiveObjects() == 2; }, 3000);
        readouts = ReadoutsOfASignal(meter);
        Send(meter, WM_CLOSE, 0, 0, "WM_CLOSE");
    });
    RunMeter();
    std::vector<std::string> boxes = TestApp().Texts();
    ASSERT_FALSE(boxes.empty());
    for (const std::string& box : boxes) EXPECT_TRUE(EndsWith(box, kLockFailed)) << box;
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(objectsMadeWhileWaiting, 0) << "no capture object while the pass still had the device";
    EXPECT_EQ(deviceSeen, chosenLast) << "the device opened last is the one chosen last";
    EXPECT_EQ(readouts, "L\t10 R\t20") << "capture runs on it";
}

// A selection notification with no entry selected (another program can send one) chooses
// nothing: the engine is not touched, no box comes, and capture goes on.
TEST_F(MeterWindowNestedLoops, ANotificationWithoutASelectionChangesNothing) {
    int objectsMade = -1;
    bool captureGoesOn = false;
    Meanwhile([&] {
        HWND meter = WaitForShownMeter();
        if (!meter) return;
        HWND list = GetDlgItem(meter, IDC_DEVICE_LIST);
        int objectsBefore = fake->CaptureObjectsCreated();
        Send(list, LB_SETCURSEL, (WPARAM)-1, 0, "LB_SETCURSEL -1");
        Send(meter, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_LIST, LBN_SELCHANGE), (LPARAM)list, "a notification");
        objectsMade = fake->CaptureObjectsCreated() - objectsBefore;
        int queries = fake->PositionQueries();
        captureGoesOn = WaitUntil([&] { return fake->PositionQueries() >= queries + 5; }, 3000);
        Send(meter, WM_CLOSE, 0, 0, "WM_CLOSE");
    });
    RunMeter();
    EXPECT_EQ(objectsMade, 0) << "a device was opened";
    EXPECT_EQ(TestApp().Texts(), std::vector<std::string>{});
    EXPECT_TRUE(captureGoesOn);
}

// Closing while the capture thread holds its error box: the close waits for that thread with
// the window's messages served, each pre-translated as in the modal loop (Tab moves the focus).
// Whatever the user does meanwhile is answered at once and touches neither the going engine nor
// the drawing contexts; the info dialog does not open.
TEST_F(MeterWindowNestedLoops, HandlersDuringTheCloseWait) {
    fake->script.lockResult = DSERR_INVALIDCALL;
    fake->script.lockFailsFromCall = 3;
    TestApp().HoldBoxes();
    bool infoOpened = true;
    Meanwhile([&] {
        HWND meter = WaitForMeterWithACaptureBox();
        if (!meter) return;
        PostMessageA(meter, WM_CLOSE, 0, 0);
        Sleep(1500);  // past the close pause: the engine now waits for its thread
        // The keyboard works as in the modal loop: Tab moves the focus on.
        HWND focus = FocusedControl();
        if (!focus) DriverFailure("no control has the focus");
        PostMessageA(focus, WM_KEYDOWN, VK_TAB, 0x000F0001);
        PostMessageA(focus, WM_KEYUP, VK_TAB, (LPARAM)0xC00F0001);
        if (focus && !WaitUntil([&] { return FocusedControl() != focus; }, 3000))
            DriverFailure("Tab does not move the focus while the close waits");
        Choose(meter, 1);
        Send(GetDlgItem(meter, IDC_RESET_MAX), BM_CLICK, 0, 0, "Reset Max");
        Send(meter, WM_TIMER, 1, 0, "a timer tick queued before the close");
        Send(meter, WM_SYSCOMMAND, IDM_ABOUTBOX, 0, "the info entry of the system menu");
        infoOpened = WindowWith(IDC_INFO_TITLE) != nullptr;
        if (HWND info = WindowWith(IDC_INFO_TITLE)) PostMessageA(info, WM_CLOSE, 0, 0);
        Send(meter, WM_COMMAND, IDCANCEL, 0, "Escape");
        Send(meter, WM_COMMAND, IDOK, 0, "Enter");
        Send(meter, WM_CLOSE, 0, 0, "a second WM_CLOSE");
        if (!IsWindowVisible(meter)) DriverFailure("the window went before the capture thread ended");
        TestApp().ReleaseBoxes();
    });
    RunMeter();
    EXPECT_FALSE(infoOpened) << "the info dialog opened while the window was closing";
    for (const std::string& box : TestApp().Texts()) EXPECT_TRUE(EndsWith(box, kLockFailed)) << box;
}

// A modal loop ended by WM_QUIT instead of the close: capture is still shut down before the
// window goes, and the end is not taken for a window that could not be made.
TEST_F(MeterWindowNestedLoops, QuitEndsCaptureToo) {
    Meanwhile([&] {
        HWND meter = WaitForShownMeter();
        if (!meter) return;
        if (!WaitUntil([&] { return fake->PositionQueries() >= 5; }, 3000)) DriverFailure("capture does not run");
        PostMessageA(meter, WM_QUIT, 0, 0);
    });
    INT_PTR result = RunMeter();
    EXPECT_NE(result, -1) << "taken for a window that could not be made";
    EXPECT_EQ(result, IDABORT);
}

// The readouts are written on every tick through the controls held since start: under Wine a
// lookup by id costs a server request per readout and tick, a fifth of the window's work.
TEST_F(MeterWindowNestedLoops, TicksWriteTheReadoutsWithoutLookingThemUp) {
    ImportPatch getDlgItem{"user32.dll", "GetDlgItem", reinterpret_cast<const void*>(CountingGetDlgItem)};
    ImportPatch setDlgItemText{"user32.dll", "SetDlgItemTextW", reinterpret_cast<const void*>(CountingSetDlgItemText)};
    ImportPatch setWindowText{"user32.dll", "SetWindowTextW", reinterpret_cast<const void*>(CountingSetWindowText)};
    ASSERT_TRUE(getDlgItem.Applied() && setDlgItemText.Applied() && setWindowText.Applied());
    g_getDlgItem = getDlgItem.Original<decltype(&GetDlgItem)>();
    g_setDlgItemText = setDlgItemText.Original<decltype(&SetDlgItemTextW)>();
    g_setWindowText = setWindowText.Original<decltype(&SetWindowTextW)>();
    g_countedThread = m_windowThread;
    int lookups = -1, texts = -1;
    Meanwhile([&] {
        HWND meter = WaitForShownMeter();
        if (!meter) return;
        if (ReadoutsOfASignal(meter) != "L\t10 R\t20") DriverFailure("the readouts do not show the signal");
        g_lookups = 0;
        g_textsWritten = 0;
        Sleep(500);  // about ten ticks, four readouts each
        lookups = g_lookups;
        texts = g_textsWritten;
        Send(meter, WM_CLOSE, 0, 0, "WM_CLOSE");
    });
    RunMeter();
    g_countedThread = 0;
    EXPECT_GE(texts, 20) << "the ticks wrote the readouts";
    EXPECT_EQ(lookups, 0) << "controls looked up by id while the meter ticked";
}

// Every text of the window and of what it opens, read wide in this process (a menu of another
// process cannot be read), is the one the program means, under every system code page: ctest
// runs this case under 1252, 1251, 932 and 936 as well (QUORVEL_CODEPAGE).
TEST_F(MeterWindowNestedLoops, TextsReadTheSameUnderEveryCodePage) {
    if (const char* codePage = std::getenv("QUORVEL_CODEPAGE")) {
        ASSERT_EQ(GetACP(), (UINT)std::atoi(codePage)) << "the locale of that code page is missing (scripts/bootstrap.sh)";
    }
    fake->script.getCapsResult = DSERR_INVALIDPARAM;  // the box of a German text
    TestApp().ShowBoxes();
    std::vector<std::pair<std::string, std::string>> seen;  // what, text
    Meanwhile([&] {
        HWND box = nullptr;
        if (WaitUntil([&] { return (box = WindowWith(0xFFFF)) && IsWindowVisible(box); }, 10000)) {
            seen.push_back({"box title", Text(box)});
            seen.push_back({"box", Text(GetDlgItem(box, 0xFFFF))});
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            // Gone before this thread lists the window thread's windows again: Wine 10's server
            // was seen spinning for good, every process of the prefix waiting on it, when such a
            // list was asked for while the box was being destroyed.
            if (!WaitUntil([&] { return !IsWindow(box); }, 5000)) DriverFailure("the box stays after OK");
        } else {
            DriverFailure("no box of the start-up within 10 s");
            return;
        }
        HWND meter = WaitForShownMeter();
        if (!meter) return;
        wchar_t entry[128] = L"";
        GetMenuStringW(GetSystemMenu(meter, FALSE), IDM_ABOUTBOX, entry, 128, MF_BYCOMMAND);
        seen.push_back({"window menu", Utf8(entry)});
        for (int id : {IDC_FORMAT_NAME, IDC_VERSION, IDC_HOMEPAGE})
            seen.push_back({"control " + std::to_string(id), Text(GetDlgItem(meter, id))});
        wchar_t tip[128] = L"";
        TOOLINFOW tool = {};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.lpszText = tip;
        HWND tooltip = nullptr;  // the link button's, the one tooltip of the window's thread
        EnumThreadWindows(m_windowThread, FindToolTip, reinterpret_cast<LPARAM>(&tooltip));
        if (tooltip) SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
        seen.push_back({"tooltip", Utf8(tip)});
        PostMessageW(meter, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND info = nullptr;
        if (!WaitUntil([&] { return (info = WindowWith(IDC_INFO_TITLE)) && IsWindowVisible(info); }, 5000)) {
            DriverFailure("no info dialog");
        } else {
            seen.push_back({"info dialog", Text(info)});
            for (int id : {IDC_INFO_TITLE, IDC_INFO_COPYRIGHT, IDC_INFO_LINK})
                seen.push_back({"info control " + std::to_string(id), Text(GetDlgItem(info, id))});
            PostMessageW(info, WM_COMMAND, IDOK, 0);
            if (!WaitUntil([&] { return !IsWindow(info); }, 5000)) DriverFailure("the info dialog stays");
        }
        Send(meter, WM_CLOSE, 0, 0, "WM_CLOSE");
    });
    RunMeter();
    const std::string host = QUORVEL_WEB_HOST;
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"box title", "meter_window_tests"},
        {"box", ""},  // its end is checked below: its start is the platform's text for the code
        {"window menu", "&Info über Quorvel..."},
        {"control " + std::to_string(IDC_FORMAT_NAME), "44.1kHz stereo 16bit"},
        {"control " + std::to_string(IDC_VERSION), "Version 0.5.0.0"},
        {"control " + std::to_string(IDC_HOMEPAGE), host},
        {"tooltip", "visit homepage for updates and documentation"},
        {"info dialog", "Info über Quorvel"},
        {"info control " + std::to_string(IDC_INFO_TITLE), "Quorvel Version 0.5.0.0"},
        {"info control " + std::to_string(IDC_INFO_COPYRIGHT), "Copyright (C) 2026 the Quorvel developers"},
        {"info control " + std::to_string(IDC_INFO_LINK), host},
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first, expected[i].first);
        if (seen[i].first == "box") {
            EXPECT_TRUE(EndsWith(seen[i].second, std::string(" \n ") + kCapsFailed)) << seen[i].second;
            EXPECT_EQ(seen[i].second.find('?'), std::string::npos) << seen[i].second;
        } else {
            EXPECT_EQ(seen[i].second, expected[i].second) << seen[i].first;
        }
    }
}
