// The least that capturing for a level meter costs: opens the default capture device with
// DirectSound as the meter does (a looping buffer of two halves of 1024 frames), polls it about
// every 10 ms and copies each completed half. No window, no measurement, no allocation per half.
//   capture_floor SECONDS [--format 1S16|4S16|48S16|96S16] [--sleep] [--steps] [--stats]
//   capture_floor SECONDS --reopen [--main-thread] [--default-device]
//            does what a device switch of the meter does to DirectSound, round after round: opens
//            the next of the capture devices by its id, polls and copies its halves for 0.1 s on a
//            thread started for the round and ended with it, then stops and releases the device;
//            prints "devices N" first and "reopened N" after each round (for memory growth).
//            --main-thread polls on the main thread instead, --default-device opens only the
//            default device: the loop without one of the steps
// --sleep  paces with Sleep instead of a timed wait on an event that is never set
// --steps  prints "step UNIX_SECONDS LEVEL" for every half that turns loud after a quiet one
// --stats  prints how far apart the polls were and how far the capture position moved
// At the end it prints key=value lines: halves copied and halves the device captured after the
// first second, and the process's CPU seconds.
#include <windows.h>
#include <process.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_formats.h"
#include "bench/floor_capture.h"
#include "capture/capture_formats.h"
#include "capture/channel_levels.h"

namespace {

const double kWarmUpSeconds = 1.0;
const double kRoundSeconds = 0.1;  // of capture per reopening round
const LONG kLoudLevel = 100;  // of 255: a step from silence to a loud tone
const LONG kQuietLevel = 10;

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t index = (size_t)(p * (double)(values.size() - 1) + 0.5);
    return values[index];
}

// GUID_NULL stands for the null id of the primary capture driver, which opens the default device.
BOOL CALLBACK AddDevice(LPGUID deviceId, LPCSTR, LPCSTR, LPVOID context) {
    static_cast<std::vector<GUID>*>(context)->push_back(deviceId ? *deviceId : GUID_NULL);
    return TRUE;
}

unsigned __stdcall PollForARound(void* param) {
    auto* capture = static_cast<FloorCapture*>(param);
    FloorPacing pacing(false);
    double until = CounterSeconds() + kRoundSeconds;
    while (CounterSeconds() < until) {
        pacing.Wait();
        pacing.PollDone(PollFloorCapture(capture));
    }
    return 0;
}

int Reopen(double seconds, DWORD formatCode, bool onMainThread, bool defaultDevice) {
    std::vector<GUID> devices;
    if (defaultDevice) devices.push_back(DSDEVID_DefaultCapture);
    else if (FAILED(DirectSoundCaptureEnumerateA(AddDevice, &devices)) || devices.empty()) {
        std::fprintf(stderr, "capture_floor: no capture devices\n");
        return 1;
    }
    std::printf("devices %lu\n", (unsigned long)devices.size());
    double until = CounterSeconds() + seconds;
    for (unsigned long round = 1; CounterSeconds() < until; ++round) {
        const GUID& id = devices[round % devices.size()];
        FloorCapture capture;
        if (!OpenFloorCapture(IsEqualGUID(id, GUID_NULL) ? nullptr : &id, formatCode, &capture)) return 1;
        if (onMainThread) {
            PollForARound(&capture);
        } else {
            // As the meter's capture thread: started by the C runtime, so that its share goes too.
            HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, PollForARound, &capture, 0, nullptr));
            if (!thread) {
                std::fprintf(stderr, "capture_floor: no thread for round %lu\n", round);
                return 1;
            }
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        CloseFloorCapture(&capture);
        std::printf("reopened %lu\n", round);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: capture_floor SECONDS [--format 4S16] [--sleep] [--steps] [--stats] | "
                             "SECONDS --reopen [--main-thread] [--default-device]\n");
        return 2;
    }
    double seconds = std::atof(argv[1]);
    DWORD formatCode = WAVE_FORMAT_4S16;
    bool useSleep = false, steps = false, stats = false, reopen = false, mainThread = false, defaultDevice = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--format") && i + 1 < argc) formatCode = ParseStereo16Format(argv[++i]);
        else if (!std::strcmp(argv[i], "--sleep")) useSleep = true;
        else if (!std::strcmp(argv[i], "--steps")) steps = true;
        else if (!std::strcmp(argv[i], "--stats")) stats = true;
        else if (!std::strcmp(argv[i], "--reopen")) reopen = true;
        else if (!std::strcmp(argv[i], "--main-thread")) mainThread = true;
        else if (!std::strcmp(argv[i], "--default-device")) defaultDevice = true;
        else formatCode = 0;
    }
    if (formatCode == 0 || seconds <= kWarmUpSeconds) {
        std::fprintf(stderr, "capture_floor: bad arguments\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    CoInitialize(nullptr);  // result deliberately ignored: creation below tells
    if (reopen) return Reopen(seconds, formatCode, mainThread, defaultDevice);
    FloorCapture capture;
    if (!OpenFloorCapture(&DSDEVID_DefaultCapture, formatCode, &capture)) return 1;
    const WAVEFORMATEX& format = capture.format;
    const DWORD bufferSize = capture.bufferSize, half = bufferSize / 2;
    FloorPacing pacing(useSleep);
    unsigned long counted = 0, polls = 0;
    bool wasQuiet = true;
    std::vector<double> pollGaps, positionMoves, captureLeads;
    double advancedBytes = 0;
    double lastPoll = 0;
    DWORD lastPosition = 0;

    double start = CounterSeconds();
    double countFrom = start + kWarmUpSeconds, end = start + seconds;
    for (;;) {
        pacing.Wait();
        double now = CounterSeconds();
        if (now >= end) break;
        bool copied = PollFloorCapture(&capture);
        DWORD capturePosition = capture.capturePosition, readPosition = capture.readPosition;
        if (stats && now >= countFrom) {
            if (lastPoll != 0) pollGaps.push_back((now - lastPoll) * 1000);
            if (capturePosition != lastPosition) {
                positionMoves.push_back((double)((capturePosition + bufferSize - lastPosition) % bufferSize));
                advancedBytes += positionMoves.back();
            }
            captureLeads.push_back((double)((capturePosition + bufferSize - readPosition) % bufferSize));
        }
        lastPoll = now;
        lastPosition = capturePosition;
        ++polls;
        if (copied && now >= countFrom) ++counted;
        if (copied && steps) {
            LONG level = MeasureBlockLevels(capture.half.data(), (DWORD)capture.half.size(), format).left;
            if (wasQuiet && level >= kLoudLevel) std::printf("step %.6f %ld\n", UnixSeconds(), (long)level);
            if (level <= kQuietLevel) wasQuiet = true;
            else if (level >= kLoudLevel) wasQuiet = false;
        }
        pacing.PollDone(copied);
    }
    double counting = CounterSeconds() - countFrom;
    double captured = counting * format.nSamplesPerSec / (half / format.nBlockAlign);
    CloseFloorCapture(&capture);  // the format stays for the figures below

    std::printf("format=%s\n", (const char*)FormatDisplayName(formatCode));
    std::printf("seconds=%.3f\n", counting);
    std::printf("halves_copied=%lu\n", counted);
    std::printf("halves_captured=%.1f\n", captured);
    std::printf("polls=%lu\n", polls);
    std::printf("cpu_seconds=%.3f\n", ProcessCpuSeconds());
    if (stats) {
        std::printf("poll_gap_ms_median=%.2f\npoll_gap_ms_p05=%.2f\npoll_gap_ms_p95=%.2f\n", Percentile(pollGaps, 0.5),
                    Percentile(pollGaps, 0.05), Percentile(pollGaps, 0.95));
        double bytesPerMs = format.nAvgBytesPerSec / 1000.0;
        std::printf("position_step_ms_median=%.2f\nposition_step_ms_p95=%.2f\n",
                    Percentile(positionMoves, 0.5) / bytesPerMs, Percentile(positionMoves, 0.95) / bytesPerMs);
        std::printf("position_step_ms_max=%.2f\n", Percentile(positionMoves, 1.0) / bytesPerMs);
        int histogram[6] = {};
        for (double move : positionMoves) histogram[std::min(5, (int)(move / bytesPerMs / 10 + 0.5))]++;
        std::printf("position_steps_by_10ms=%d,%d,%d,%d,%d,%d+\n", histogram[0], histogram[1], histogram[2], histogram[3],
                    histogram[4], histogram[5]);
        std::printf("halves_delivered=%.1f\n", advancedBytes / half);
        std::printf("capture_lead_ms_median=%.2f\ncapture_lead_ms_max=%.2f\n", Percentile(captureLeads, 0.5) / bytesPerMs,
                    Percentile(captureLeads, 1.0) / bytesPerMs);
        std::printf("delivered_frames_per_s=%.1f\n", advancedBytes / format.nBlockAlign / counting);
    }
    return 0;
}
