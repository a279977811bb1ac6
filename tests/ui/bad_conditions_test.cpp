// Bad conditions: no sound server at all, and the capture source taken away while the meter
// runs. The program reports what failed, keeps its window working and still closes.
#include <cstdio>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/meter_test.h"
#include "tests/ui/session_scripts.h"

namespace {

// "<what the platform says> \n <the program's message>"
void ExpectDeviceMessage(const std::string& text, const std::string& message) {
    std::string separator = " \n ";
    size_t split = text.find(separator);
    ASSERT_NE(split, std::string::npos) << "no line break in: " << text;
    EXPECT_GT(split, 0u) << "no description of the failure in: " << text;
    EXPECT_EQ(text.find('\n'), split + 1) << text;
    EXPECT_EQ(text.substr(split + separator.size()), message);
}

class MeterWithoutSoundServer : public MeterTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(MeterTest::SetUp());
        std::string report;
        m_killed = true;  // whatever the kill answers: the tests after this one need a server
        ASSERT_TRUE(ChangeSoundServer("kill", &report)) << report;
    }
    void TearDown() override {
        MeterTest::TearDown();
        // The next test finds the server as the session began.
        std::string report;
        if (m_killed) {
            EXPECT_TRUE(ChangeSoundServer("restart", &report)) << report;
        }
    }

private:
    bool m_killed = false;
};

class MeterSourceRemoved : public MeterTest {
protected:
    void TearDown() override {
        // Whatever happened, the next test finds the sink and its monitor as the session began.
        std::string report;
        EXPECT_TRUE(ChangeSink("reload", &report)) << report;
        MeterTest::TearDown();
    }
};

}  // namespace

TEST_F(MeterWithoutSoundServer, ReportsTheDeviceFailureAndKeepsRunning) {
    std::string error;
    ASSERT_TRUE(meter.Launch(&error)) << error;

    // The device cannot be bound, and then its capabilities cannot be read; each failure is
    // told in a box of its own that holds the start until the user dismisses it.
    const char* expected[] = {"Fehler: DirectSound Initialisierung",
                              "Fehler: GetCaps, eventuell wird Aufnahmeformat nicht unterstützt"};
    for (const char* message : expected) {
        HWND box = meter.WaitForOtherDialog(15000);
        ASSERT_NE(box, nullptr) << "no message box for: " << message;
        std::string text = MessageBoxText(box);
        std::printf("message box: %s\n", text.c_str());
        EXPECT_EQ(WindowText(box), "Quorvel");
        ASSERT_NO_FATAL_FAILURE(ExpectDeviceMessage(text, message));
        HWND ok = GetDlgItem(box, IDOK);
        ASSERT_NE(ok, nullptr) << "the box has no OK button";
        // Posted, not sent: nothing here may wait on a program that might hang.
        ASSERT_TRUE(meter.PostClick(ok));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000)) << "the box stays";
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000)) << "the box is hidden but not destroyed";
    }
    ASSERT_TRUE(meter.WaitForMeter(15000)) << "the meter window does not come after the boxes";

    // Two seconds of ticks: nothing more to report, nothing measured.
    Sleep(2000);
    for (HWND dialog : meter.OtherDialogs()) ADD_FAILURE() << "a further box: " << MessageBoxText(dialog);
    EXPECT_TRUE(meter.Answers());
    EXPECT_TRUE(ReadoutsShow(0, 0)) << Readouts();
    EXPECT_TRUE(MaximaShow(0, 0)) << Readouts();
    EXPECT_EQ(meter.Text(IDC_FORMAT_NAME), "44.1kHz stereo 16bit");
    LRESULT count = -1;
    ASSERT_TRUE(SendWithin(meter.Control(IDC_DEVICE_LIST), LB_GETCOUNT, 0, 0, 2000, &count));
    EXPECT_EQ(count, 0) << "no sound server, no devices";

    ULONGLONG posted = GetTickCount64();
    ASSERT_TRUE(PostMessageA(meter.Window(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(meter.Window()) || !IsWindowVisible(meter.Window()); }, 3000))
        << "the window does not close";
    std::printf("closed after %llu ms\n", GetTickCount64() - posted);
    DWORD exitCode = 0xdeadbeef;
    ASSERT_TRUE(meter.WaitForExit(15000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

// The taskbar's "Close window" reaches the meter, not yet shown, while its start-up box is up:
// the start-up goes on to its second box, and once that is answered the window closes.
TEST_F(MeterWithoutSoundServer, CloseDuringTheStartUpBoxFollowsIt) {
    std::string error;
    ASSERT_TRUE(meter.Launch(&error)) << error;
    HWND box = meter.WaitForOtherDialog(15000);
    ASSERT_NE(box, nullptr) << "no start-up box";
    HWND hidden = meter.WindowShownOrNot();
    ASSERT_NE(hidden, nullptr) << "no meter window behind the box";
    ASSERT_TRUE(PostMessageA(hidden, WM_CLOSE, 0, 0));

    std::vector<std::string> texts;
    ULONGLONG lastAnswer = GetTickCount64();
    while (WaitForSingleObject(meter.Process(), 0) == WAIT_TIMEOUT && GetTickCount64() - lastAnswer < 10000) {
        for (HWND open : meter.OtherDialogs()) {
            texts.push_back(MessageBoxText(open));
            ASSERT_TRUE(meter.PostClick(GetDlgItem(open, IDOK)));
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(open) || !IsWindowVisible(open); }, 5000)) << "the box stays";
            lastAnswer = GetTickCount64();
        }
        Sleep(5);
    }
    DWORD exitCode = 0xdeadbeef;
    ASSERT_TRUE(meter.WaitForExit(15000, &exitCode)) << "the program does not end after the boxes";
    EXPECT_EQ(exitCode, 0u) << "0xC0000005 is the crash of a close run inside the start-up";
    ASSERT_EQ(texts.size(), 2u);
    ASSERT_NO_FATAL_FAILURE(ExpectDeviceMessage(texts[0], "Fehler: DirectSound Initialisierung"));
    ASSERT_NO_FATAL_FAILURE(ExpectDeviceMessage(texts[1], "Fehler: GetCaps, eventuell wird Aufnahmeformat nicht unterstützt"));
}

TEST_F(MeterSourceRemoved, KeepsAnsweringAndCloses) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    ASSERT_NO_FATAL_FAILURE(PlayTone(200, 150));
    ASSERT_NO_FATAL_FAILURE(PlayTone(90, 40));

    std::string report;
    ASSERT_TRUE(ChangeSink("unload", &report)) << report;
    player.Stop();

    // Three seconds without a source: the window answers throughout; boxes are dismissed.
    ULONGLONG start = GetTickCount64();
    int boxes = 0;
    while (GetTickCount64() - start < 3000) {
        ASSERT_TRUE(meter.Answers(2000)) << "the meter hangs";
        for (HWND box : meter.OtherDialogs()) {
            std::printf("message box: %s\n", MessageBoxText(box).c_str());
            ++boxes;
            ASSERT_TRUE(meter.Click(GetDlgItem(box, IDOK)));
        }
        Sleep(50);
    }
    std::printf("%d message boxes while the source was gone\n", boxes);
    ASSERT_EQ(WaitForSingleObject(meter.Process(), 0), (DWORD)WAIT_TIMEOUT) << "the program ended";

    // The timer still writes the readouts: Reset Max brings the maxima down to the levels.
    LONG left = -1, right = -1;
    ASSERT_TRUE(ParseReadout(meter.Text(IDC_VALUE_LEFT), "L", &left)) << Readouts();
    ASSERT_TRUE(ParseReadout(meter.Text(IDC_VALUE_RIGHT), "R", &right)) << Readouts();
    ASSERT_FALSE(MaximaShow(left, right)) << "the held maxima must stand above the levels here: " << Readouts();
    ASSERT_TRUE(meter.Click(meter.Control(IDC_RESET_MAX)));
    EXPECT_TRUE(WaitUntil(
        [&] {
            LONG l, r;
            return ParseReadout(meter.Text(IDC_VALUE_LEFT), "L", &l) && ParseReadout(meter.Text(IDC_VALUE_RIGHT), "R", &r) &&
                   MaximaShow(l, r);
        },
        2000))
        << "no tick rewrote the readouts: " << Readouts();

    ULONGLONG posted = GetTickCount64();
    ASSERT_TRUE(PostMessageA(meter.Window(), WM_CLOSE, 0, 0));
    bool gone = WaitUntil(
        [&] {
            for (HWND box : meter.OtherDialogs()) meter.PostClick(GetDlgItem(box, IDOK));
            return !IsWindow(meter.Window()) || !IsWindowVisible(meter.Window());
        },
        3000);
    EXPECT_TRUE(gone) << "the window does not close within 3 s";
    std::printf("closed after %llu ms\n", GetTickCount64() - posted);
    DWORD exitCode = 0xdeadbeef;
    ASSERT_TRUE(meter.WaitForExit(15000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}
