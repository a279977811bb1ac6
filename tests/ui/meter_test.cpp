#include "tests/ui/meter_test.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/bar_picture.h"
#include "tests/ui/screenshot.h"
#include "tests/ui/session_scripts.h"

StereoSignal Tone(LONG leftLevel, LONG rightLevel, double seconds) {
    // Peak to peak of a sine around 0 is twice its amplitude; the level is that / 256.
    return MakeSineSignal(0, 128.0 * leftLevel + 64, 0, 128.0 * rightLevel + 64, seconds);
}

bool ParseReadout(const std::string& text, const char* label, LONG* value) {
    std::string prefix = std::string(label) + "\t";
    if (text.compare(0, prefix.size(), prefix) != 0 || text.size() == prefix.size()) return false;
    char* end = nullptr;
    long number = std::strtol(text.c_str() + prefix.size(), &end, 10);
    if (*end != 0) return false;
    *value = number;
    return true;
}

std::string Readout(const char* label, LONG value) { return std::string(label) + "\t" + std::to_string(value); }

int SessionDpi() {
    const char* dpi = std::getenv("QUORVEL_DPI");
    return dpi && *dpi ? std::atoi(dpi) : 96;
}

void MeterTest::SetUp() {
    ASSERT_FALSE(SessionDirectory().empty()) << "runs only inside the test session (QUORVEL_TESTENV)";
    std::string report;
    ASSERT_TRUE(CheckSession(&report)) << "the test session is not complete:\n" << report;
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, SessionDpi()) << "the session's desktop does not run at the dots per inch the test is for";
    if (const char* codePage = std::getenv("QUORVEL_CODEPAGE")) {
        ASSERT_EQ(GetACP(), (UINT)std::atoi(codePage)) << "the locale of that code page is missing (scripts/bootstrap.sh)";
    }
    // A test killed at its time limit cannot end its program; that must not fail the next ones.
    if (int ended = EndLeftoverPrograms()) std::printf("ended %d program(s) an earlier test left running\n", ended);
    ASSERT_EQ(AnyMeterWindow(), nullptr) << "a meter window is open before the test";
}

void MeterTest::TearDown() {
    player.Stop();
    meter.EndForSure();
    EXPECT_EQ(AnyMeterWindow(), nullptr) << "the test left a meter window behind";
}

void MeterTest::StartMeter() {
    std::string error;
    ASSERT_TRUE(meter.Start(&error)) << error;
    LONG value;
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ParseReadout(meter.Text(IDC_VALUE_LEFT), "L", &value) &&
                   ParseReadout(meter.Text(IDC_VALUE_RIGHT), "R", &value) &&
                   ParseReadout(meter.Text(IDC_MAX_LEFT), "L max", &value) &&
                   ParseReadout(meter.Text(IDC_MAX_RIGHT), "R max", &value);
        },
        10000))
        << "no timer tick wrote the readouts: " << Readouts();
}

void MeterTest::WaitForCaptureRunning() {
    RECT strip = ScreenClientRect(meter.Control(IDC_ACTIVITY));
    std::vector<LONG> before, marks;
    std::string error, seen;
    ULONGLONG start = GetTickCount64();
    for (;;) {
        Screenshot picture;
        ASSERT_TRUE(picture.Take(&error)) << error;
        // A picture taken while the strip was being drawn is passed over.
        if (ReadActivityMarks(picture, strip, &marks, &seen) && marks.size() == 4) {
            if (!before.empty() && marks != before) return;
            before = marks;
        }
        ASSERT_LT(GetTickCount64() - start, 10000u)
            << "the activity marks do not move (no blocks are captured); the strip shows: " << seen;
        Sleep(100);
    }
}

void MeterTest::PlayTone(LONG left, LONG right, DWORD timeoutMs, ULONGLONG* tookMs, const std::string& sink) {
    StereoSignal tone = Tone(left, right);
    ASSERT_EQ(tone.ExpectedLevel(0), left);
    ASSERT_EQ(tone.ExpectedLevel(1), right);
    static int tones = 0;
    std::string name = "ui_tone_" + std::to_string(left) + "_" + std::to_string(right) + "_" + std::to_string(++tones);
    ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(player.Play(tone, name.c_str(), sink)) << "cannot play " << name;
    ASSERT_TRUE(WaitUntil([&] { return ReadoutsShow(left, right); }, timeoutMs))
        << "the readouts do not show " << left << "/" << right << " within " << timeoutMs << " ms: " << Readouts();
    if (tookMs) *tookMs = GetTickCount64() - start;
}

void MeterTest::ExpectSettledBars(LONG left, LONG right, LONG maxLeft, LONG maxRight, LONG fallenFromLeft,
                                  LONG fallenFromRight) {
    RECT bars[2] = {ScreenClientRect(meter.Control(IDC_BAR_LEFT)), ScreenClientRect(meter.Control(IDC_BAR_RIGHT))};
    const LONG levels[2] = {left, right}, maxima[2] = {maxLeft, maxRight}, fallenFrom[2] = {fallenFromLeft, fallenFromRight};
    std::vector<COLORREF> rows[2];
    LONG fallTicks = 0;
    for (int bar = 0; bar < 2; ++bar) {
        LONG width = bars[bar].right - bars[bar].left, height = bars[bar].bottom - bars[bar].top;
        ASSERT_GT(width, 0);
        ASSERT_GT(height, 0);
        rows[bar] = SettledBarRow(width, levels[bar], maxima[bar]);
        fallTicks = std::max(fallTicks, BarX(width, fallenFrom[bar]) - BarX(width, levels[bar]));
    }
    // The marker falls one pixel per 50 ms tick; ticks may come late on a busy machine.
    Sleep((DWORD)(fallTicks + 10) * 75);
    std::string differences[2];
    for (int attempt = 0; attempt < 10; ++attempt) {
        ASSERT_TRUE(ReadoutsShow(left, right) && MaximaShow(maxLeft, maxRight)) << Readouts();
        Screenshot picture;
        std::string error;
        ASSERT_TRUE(picture.Take(&error)) << error;
        ASSERT_TRUE(ReadoutsShow(left, right) && MaximaShow(maxLeft, maxRight)) << Readouts();
        for (int bar = 0; bar < 2; ++bar) differences[bar] = CompareRows(picture, bars[bar], rows[bar]);
        if (differences[0].empty() && differences[1].empty()) {
            for (int bar = 0; bar < 2; ++bar)
                std::printf("%s bar, %ld px: %s\n", bar ? "right" : "left", bars[bar].right - bars[bar].left,
                            DescribeRow(rows[bar]).c_str());
            return;
        }
        Sleep(300);
    }
    ADD_FAILURE() << "left bar: " << differences[0] << "\nright bar: " << differences[1];
}

bool MeterTest::ReadoutsShow(LONG left, LONG right) const {
    return meter.Text(IDC_VALUE_LEFT) == Readout("L", left) && meter.Text(IDC_VALUE_RIGHT) == Readout("R", right);
}

bool MeterTest::MaximaShow(LONG left, LONG right) const {
    return meter.Text(IDC_MAX_LEFT) == Readout("L max", left) && meter.Text(IDC_MAX_RIGHT) == Readout("R max", right);
}

std::string MeterTest::Readouts() const {
    std::string text;
    for (int id : {IDC_VALUE_LEFT, IDC_VALUE_RIGHT, IDC_MAX_LEFT, IDC_MAX_RIGHT}) {
        if (!text.empty()) text += " | ";
        text += meter.Text(id);
    }
    for (char& c : text)
        if (c == '\t') c = ' ';
    return "[" + text + "]";
}
