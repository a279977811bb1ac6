#pragma once
// Plays a known signal into the test session's sound server, whose monitor is the default
// capture device, through the session's own player script.
#include <windows.h>

#include <string>
#include <vector>

// Interleaved 44.1 kHz stereo 16-bit frames.
struct StereoSignal {
    std::vector<SHORT> samples;
    // The level every block of 1024 frames must read, per channel.
    LONG ExpectedLevel(int channel) const;
};

// One period of sines (100 frames at 44.1 kHz: 441 Hz) around the given centres, so that every
// window of 1024 frames holds the same extremes.
StereoSignal MakeSineSignal(double leftCentre, double leftAmplitude, double rightCentre,
                            double rightAmplitude, double seconds);

class SignalPlayer {
public:
    ~SignalPlayer() { Stop(); }
    // Into the session's null sink, or the sink named.
    bool Play(const StereoSignal& signal, const char* name, const std::string& sink = "");
    void Stop();

private:
    bool RunScript(const std::string& arguments);
    std::string m_name;
};

// A Unix path of the session as a path Windows programs can open.
std::string WindowsPathOf(const std::string& unixPath);

// Starts a Unix program (a script of the session) from Windows; it runs on in the background.
bool StartUnixProgram(std::string commandLine);
