// Closing: the close sequence waits a second for the capture thread with the window still on
// screen, then the window goes and the program ends; Escape ends it cleanly too.
#include <cstdio>
#include <functional>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/meter_test.h"
#include "tests/ui/screenshot.h"
#include "tests/ui/session_scripts.h"

namespace {

class MeterClosing : public MeterTest {
protected:
    // Polls the window until it is hidden or destroyed; times from `since`.
    void WatchWindowGo(ULONGLONG since, ULONGLONG* lastSeenMs, ULONGLONG* goneMs) {
        HWND window = meter.Window();
        *lastSeenMs = 0;
        *goneMs = 0;
        for (;;) {
            ULONGLONG now = GetTickCount64();
            bool shown = IsWindow(window) && IsWindowVisible(window);
            if (!shown) {
                *goneMs = now - since;
                return;
            }
            *lastSeenMs = now - since;
            if (now - since > 10000) return;
            Sleep(1);
        }
    }

    // The pop-up of an open menu (the window menu) of the program, or null.
    HWND OpenMenu() {
        for (HWND popup = nullptr; (popup = FindWindowExW(nullptr, popup, L"#32768", nullptr));) {
            DWORD processId = 0;
            GetWindowThreadProcessId(popup, &processId);
            if (processId == meter.ProcessId() && IsWindowVisible(popup)) return popup;
        }
        return nullptr;
    }

    // A close from outside: the window goes within the usual time, and the program ends cleanly,
    // whatever the user does `meanwhile`.
    void ExpectAPostedCloseEndsIt(const char* when, const std::function<void()>& meanwhile = nullptr) {
        ULONGLONG posted = GetTickCount64();
        ASSERT_TRUE(PostMessageA(meter.Window(), WM_CLOSE, 0, 0));
        if (meanwhile) {
            ASSERT_NO_FATAL_FAILURE(meanwhile());
        }
        ULONGLONG lastSeenMs, goneMs;
        WatchWindowGo(posted, &lastSeenMs, &goneMs);
        std::printf("%s, after WM_CLOSE the window was gone at %llu ms\n", when, goneMs);
        ASSERT_NE(goneMs, 0u) << when << ", the window is still on screen 10 s after WM_CLOSE: " << Readouts();
        EXPECT_LE(goneMs, 3000u);
        DWORD exitCode = 0xdeadbeef;
        ASSERT_TRUE(meter.WaitForExit(15000, &exitCode)) << "the process does not end";
        EXPECT_EQ(exitCode, 0u);
    }

    // Real keys through the X server, to the meter: a click on its format line first gives it the
    // keyboard (but would end a menu that is open).
    void Keys(const std::string& keys, bool clickFirst) {
        RECT line = ScreenClientRect(meter.Control(IDC_FORMAT_NAME));
        std::string click = "mousemove " + std::to_string((line.left + line.right) / 2) + " " +
                            std::to_string((line.top + line.bottom) / 2) + " click 1 ";
        std::string report;
        ASSERT_TRUE(XInput((clickFirst ? click : "") + "key " + keys, &report)) << report;
    }
};

}  // namespace

TEST_F(MeterClosing, StaysOnScreenForTheCaptureThreadThenEnds) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(PlayTone(100, 50));

    ULONGLONG posted = GetTickCount64();
    ASSERT_TRUE(PostMessageA(meter.Window(), WM_CLOSE, 0, 0));
    ULONGLONG lastSeenMs, goneMs;
    WatchWindowGo(posted, &lastSeenMs, &goneMs);
    std::printf("after WM_CLOSE the window was last seen at %llu ms and gone at %llu ms\n", lastSeenMs, goneMs);
    ASSERT_NE(goneMs, 0u) << "the window is still on screen 10 s after WM_CLOSE";
    // Watched every millisecond: on screen at every look until it went, and it went no earlier
    // than the second that the capture thread gets to leave.
    EXPECT_GE(goneMs, 1000u) << "the window must stay on screen while the capture thread gets its second";
    EXPECT_LE(goneMs, 3000u);

    DWORD exitCode = 0xdeadbeef;
    ULONGLONG waitStart = GetTickCount64();
    ASSERT_TRUE(meter.WaitForExit(15000, &exitCode)) << "the process does not end";
    std::printf("the process ended %llu ms after the window\n", GetTickCount64() - waitStart);
    EXPECT_EQ(exitCode, 0u);
}

// A close from outside (what taskkill, scripts and session managers send) after the window menu
// was opened with Alt+Space and dismissed with Escape: it ends the meter like any other.
TEST_F(MeterClosing, APostedCloseAfterTheWindowMenuEndsTheMeter) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(PlayTone(100, 50));
    ASSERT_NO_FATAL_FAILURE(Keys("alt+space", true));
    ASSERT_TRUE(WaitUntil([&] { return OpenMenu() != nullptr; }, 5000)) << "Alt+Space opens no window menu";
    ASSERT_NO_FATAL_FAILURE(Keys("Escape", false));
    ASSERT_TRUE(WaitUntil([&] { return OpenMenu() == nullptr; }, 5000)) << "Escape leaves the window menu open";
    ASSERT_NO_FATAL_FAILURE(PlayTone(60, 30)) << "the meter goes on measuring";
    ASSERT_NO_FATAL_FAILURE(ExpectAPostedCloseEndsIt("after the window menu"));
}

// The window menu asked for while the close waits for the capture thread, the window still on
// screen: the close goes on, and no menu holds it up.
TEST_F(MeterClosing, TheWindowMenuAskedForDuringACloseDoesNotHoldItUp) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(PlayTone(100, 50));
    ASSERT_NO_FATAL_FAILURE(ExpectAPostedCloseEndsIt("with Alt+Space in the close", [&] {
        Sleep(100);  // the close has begun its wait
        Keys("alt+space", true);
    }));
}

// The same while the device list's scroll bar is held down: the window system's loop that tracks
// it runs until the button is let go, and a close must not wait for that.
TEST_F(MeterClosing, APostedCloseWhileAScrollBarIsHeldEndsTheMeter) {
    std::string report;
    ASSERT_TRUE(ChangeSink("add-other", &report)) << report;  // five entries, in a list of four lines
    struct RemoveOther {
        ~RemoveOther() {
            std::string ignored;
            ChangeSink("remove-other", &ignored);  // result deliberately ignored: only a tidy-up
        }
    } removeOther;
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    HWND list = meter.Control(IDC_DEVICE_LIST);
    LRESULT entries = 0;
    ASSERT_TRUE(SendWithin(list, LB_GETCOUNT, 0, 0, 2000, &entries));
    ASSERT_GT(entries, 4) << "the session's list has more entries than it shows";
    RECT frame;
    ASSERT_TRUE(GetWindowRect(list, &frame));
    const int arrow = GetSystemMetrics(SM_CXVSCROLL) / 2 + 2;  // from the edge, past the border
    ASSERT_TRUE(XInput("mousemove " + std::to_string(frame.right - arrow) + " " + std::to_string(frame.bottom - arrow) +
                           " mousedown 1",
                       &report))
        << report;
    struct LetGo {  // whatever happens, the session's mouse button comes up again
        ~LetGo() {
            std::string ignored;
            XInput("mouseup 1", &ignored);  // result deliberately ignored: only a tidy-up
        }
    } letGo;
    auto capture = [&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        return GetGUIThreadInfo(GetWindowThreadProcessId(list, nullptr), &info) ? info.hwndCapture : nullptr;
    };
    EXPECT_TRUE(WaitUntil([&] { return capture() == list; }, 5000)) << "the scroll bar's loop does not run";
    ExpectAPostedCloseEndsIt("with the scroll bar held");
}

TEST_F(MeterClosing, EscapeEndsTheMeter) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(PlayTone(100, 50));

    HWND focus = meter.FocusedControl();
    ASSERT_NE(focus, nullptr) << "no control has the keyboard focus";
    EXPECT_EQ(GetDlgCtrlID(focus), IDC_RESET_MAX) << "the first tab stop takes the focus at start";
    ULONGLONG pressed = GetTickCount64();
    ASSERT_TRUE(meter.PressKey(focus, VK_ESCAPE));
    ULONGLONG lastSeenMs, goneMs;
    WatchWindowGo(pressed, &lastSeenMs, &goneMs);
    std::printf("after Escape the window was gone at %llu ms\n", goneMs);
    ASSERT_NE(goneMs, 0u) << "the window is still on screen 10 s after Escape";
    EXPECT_LE(goneMs, 3000u);

    DWORD exitCode = 0xdeadbeef;
    ASSERT_TRUE(meter.WaitForExit(15000, &exitCode)) << "the process does not end";
    EXPECT_EQ(exitCode, 0u);
}
