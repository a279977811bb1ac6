#include "tests/audio/signal_player.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const int kFramesPerPeriod = 100;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

LONG StereoSignal::ExpectedLevel(int channel) const {
    LONG low = 0, high = 0;  // measured from 0, as the meter does
    for (size_t i = channel; i < samples.size() && i < 2 * kFramesPerPeriod; i += 2) {
        if (samples[i] < low) low = samples[i];
        if (samples[i] > high) high = samples[i];
    }
    return (high - low) / 256;
}

StereoSignal MakeSineSignal(double leftCentre, double leftAmplitude, double rightCentre,
                            double rightAmplitude, double seconds) {
    StereoSignal signal;
    size_t frames = (size_t)(seconds * 44100);
    signal.samples.resize(frames * 2);
    const double kTwoPi = 6.283185307179586;
    for (size_t i = 0; i < frames; ++i) {
        double phase = kTwoPi * (double)(i % kFramesPerPeriod) / kFramesPerPeriod;
        signal.samples[2 * i] = (SHORT)std::lround(leftCentre + leftAmplitude * std::sin(phase));
        signal.samples[2 * i + 1] = (SHORT)std::lround(rightCentre + rightAmplitude * std::sin(phase));
    }
    return signal;
}

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool StartUnixProgram(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // For a Unix program Wine hands back no process handle, and in the thread handle whatever
    // lay on its stack: at times a live handle of this process, such as the one to the program
    // under test, which closing it would lose. Only the handles of a real process are ours.
    if (process.hProcess) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return true;
}

bool SignalPlayer::RunScript(const std::string& arguments) {
    return StartUnixProgram(Environment("QUORVEL_SOURCE") + "/tests/audio/play_signal.sh " + arguments);
}

bool SignalPlayer::Play(const StereoSignal& signal, const char* name, const std::string& sink) {
    Stop();
    std::string session = Environment("QUORVEL_TESTENV");
    if (session.empty()) return false;
    // A fresh name each time: a stop still running in the background never hits the new player.
    static int plays = 0;
    m_name = std::string(name) + "-" + std::to_string(++plays);
    std::string unixFile = session + "/" + m_name + ".raw";
    FILE* file = std::fopen(WindowsPathOf(unixFile).c_str(), "wb");
    if (!file) return false;
    size_t written = std::fwrite(signal.samples.data(), sizeof(SHORT), signal.samples.size(), file);
    std::fclose(file);
    if (written != signal.samples.size()) {
        m_name.clear();
        return false;
    }
    return RunScript("start " + unixFile + " " + m_name + (sink.empty() ? "" : " " + sink));
}

void SignalPlayer::Stop() {
    if (m_name.empty()) return;
    RunScript("stop " + m_name);
    m_name.clear();
}
