#pragma once
// The fixture of the tests that drive the real program: a live session (display, sound server,
// capture source) is required, no meter may be open before, and none is left after.
#include <gtest/gtest.h>

#include <string>

#include "tests/audio/signal_player.h"
#include "tests/ui/meter_process.h"

// A tone whose every block reads the given levels. Each amplitude lies half a level step above
// the level, so that a sample that is one off cannot tip the reading.
StereoSignal Tone(LONG leftLevel, LONG rightLevel, double seconds = 40);

// Reads "L\t12" (label "L") or "L max\t12" (label "L max").
bool ParseReadout(const std::string& text, const char* label, LONG* value);
std::string Readout(const char* label, LONG value);

// The dots per inch the session's Windows desktop was started with: QUORVEL_DPI, or 96 (100 %).
int SessionDpi();

class MeterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the meter and waits for its first timer tick, which replaces the four placeholders.
    void StartMeter();
    // Waits until the activity marks move on screen: the capture stream delivers blocks. Under
    // Wine the first samples arrive about half a second after the capture buffer starts.
    void WaitForCaptureRunning();
    // Plays a tone (into the session's null sink, or the sink named) and waits until the readouts
    // show its levels; tookMs from the start of playing.
    void PlayTone(LONG left, LONG right, DWORD timeoutMs = 5000, ULONGLONG* tookMs = nullptr,
                  const std::string& sink = "");

    // Holds still until the peak-hold markers have fallen onto the levels, then compares every
    // pixel of both bars with what the bars' rules give for these levels and maxima.
    void ExpectSettledBars(LONG left, LONG right, LONG maxLeft, LONG maxRight, LONG fallenFromLeft,
                           LONG fallenFromRight);

    bool ReadoutsShow(LONG left, LONG right) const;
    bool MaximaShow(LONG left, LONG right) const;
    std::string Readouts() const;  // all four, for messages

    MeterProcess meter;
    SignalPlayer player;
};
