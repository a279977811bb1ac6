// The least that capturing for a level meter costs: opens the default capture device with
// DirectSound as the meter does (a looping buffer of two halves of 1024 frames), polls it about
// every 10 ms and copies each completed half. No window, no measurement, no allocation per half.
//   capture_floor SECONDS [--format 1S16|4S16|48S16|96S16] [--sleep] [--steps] [--stats]
//   capture_floor SECONDS --reopen   opens, starts, stops and releases the device over and over,
//                                    printing "reopened N" after each round (for memory growth)
// --sleep  paces with Sleep instead of a timed wait on an event that is never set
// --steps  prints "step UNIX_SECONDS LEVEL" for every half that turns loud after a quiet one
// --stats  prints how far apart the polls were and how far the capture position moved
// At the end it prints key=value lines: halves copied and halves the device captured after the
// first second, and the process's CPU seconds.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_formats.h"
#include "capture/buffer_halves.h"
#include "capture/capture_formats.h"
#include "capture/capture_pacing.h"

namespace {

const DWORD kBlockFrames = 1024;
const double kWarmUpSeconds = 1.0;
const LONG kLoudLevel = 100;  // of 255: a step from silence to a loud tone
const LONG kQuietLevel = 10;

bool Check(HRESULT result, const char* what) {
    if (SUCCEEDED(result)) return true;
    std::fprintf(stderr, "capture_floor: %s failed: 0x%08lx\n", what, (unsigned long)result);
    return false;
}

// Peak-to-peak of the left channel on the meter's scale, for --steps only.
LONG LeftLevel(const BYTE* data, DWORD bytes) {
    LONG low = 0, high = 0;
    for (DWORD i = 0; i + 4 <= bytes; i += 4) {
        LONG value = (SHORT)(data[i] | (data[i + 1] << 8));
        low = std::min(low, value);
        high = std::max(high, value);
    }
    return (high - low) / 256;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t index = (size_t)(p * (double)(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

// One round of what a device switch does to DirectSound: open, start, capture a little, release.
bool ReopenOnce(DWORD formatCode) {
    IDirectSoundCapture* capture = nullptr;
    if (!Check(CoCreateInstance(CLSID_DirectSoundCapture, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSoundCapture,
                                reinterpret_cast<void**>(&capture)), "CoCreateInstance"))
        return false;
    bool ok = Check(capture->Initialize(&DSDEVID_DefaultCapture), "Initialize");
    WAVEFORMATEX format = MakeWaveFormat(formatCode);
    DSCBUFFERDESC desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwBufferBytes = 2 * kBlockFrames * format.nBlockAlign;
    desc.lpwfxFormat = &format;
    IDirectSoundCaptureBuffer* buffer = nullptr;
    ok = ok && Check(capture->CreateCaptureBuffer(&desc, &buffer, nullptr), "CreateCaptureBuffer");
    if (ok) {
        buffer->Start(DSCBSTART_LOOPING);
        Sleep(100);
        buffer->Stop();
        buffer->Release();
    }
    capture->Release();
    return ok;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: capture_floor SECONDS [--format 4S16] [--sleep] [--steps] [--stats]\n");
        return 2;
    }
    double seconds = std::atof(argv[1]);
    DWORD formatCode = WAVE_FORMAT_4S16;
    bool useSleep = false, steps = false, stats = false, reopen = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--format") && i + 1 < argc) formatCode = ParseStereo16Format(argv[++i]);
        else if (!std::strcmp(argv[i], "--sleep")) useSleep = true;
        else if (!std::strcmp(argv[i], "--steps")) steps = true;
        else if (!std::strcmp(argv[i], "--stats")) stats = true;
        else if (!std::strcmp(argv[i], "--reopen")) reopen = true;
        else formatCode = 0;
    }
    if (formatCode == 0 || seconds <= kWarmUpSeconds) {
        std::fprintf(stderr, "capture_floor: bad arguments\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    CoInitialize(nullptr);  // result deliberately ignored: creation below tells
    if (reopen) {
        double until = CounterSeconds() + seconds;
        for (unsigned long round = 1; CounterSeconds() < until; ++round) {
            if (!ReopenOnce(formatCode)) return 1;
            std::printf("reopened %lu\n", round);
            std::fflush(stdout);
        }
        return 0;
    }
    IDirectSoundCapture* capture = nullptr;
    if (!Check(CoCreateInstance(CLSID_DirectSoundCapture, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSoundCapture,
                                reinterpret_cast<void**>(&capture)), "CoCreateInstance"))
        return 1;
    if (!Check(capture->Initialize(&DSDEVID_DefaultCapture), "Initialize")) return 1;
    DSCCAPS caps = {};
    caps.dwSize = sizeof(caps);
    if (!Check(capture->GetCaps(&caps), "GetCaps")) return 1;
    if ((caps.dwFormats & formatCode) != formatCode) {
        std::fprintf(stderr, "capture_floor: the device lacks %s\n", (const char*)FormatDisplayName(formatCode));
        return 1;
    }
    WAVEFORMATEX format = MakeWaveFormat(formatCode);
    DWORD bufferSize = 2 * kBlockFrames * format.nBlockAlign;
    DSCBUFFERDESC desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwBufferBytes = bufferSize;
    desc.lpwfxFormat = &format;
    IDirectSoundCaptureBuffer* buffer = nullptr;
    if (!Check(capture->CreateCaptureBuffer(&desc, &buffer, nullptr), "CreateCaptureBuffer")) return 1;
    if (!Check(buffer->Start(DSCBSTART_LOOPING), "Start")) return 1;

    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const DWORD half = bufferSize / 2;
    std::vector<BYTE> copy(half);
    int nextHalf = 0;
    DWORD timeout = kPollPeriodMs;
    unsigned long counted = 0, polls = 0;
    bool wasQuiet = true;
    std::vector<double> pollGaps, positionMoves, captureLeads;
    double advancedBytes = 0;
    double lastPoll = 0;
    DWORD lastPosition = 0;

    double start = CounterSeconds();
    double countFrom = start + kWarmUpSeconds, end = start + seconds;
    for (;;) {
        if (useSleep) Sleep(timeout);
        else WaitForSingleObject(never, timeout);
        double now = CounterSeconds();
        if (now >= end) break;
        DWORD t0 = timeGetTime();
        DWORD capturePosition = 0, readPosition = 0;
        buffer->GetCurrentPosition(&capturePosition, &readPosition);  // result deliberately ignored: as the meter
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
        if (!IsHalfComplete(nextHalf, half, capturePosition, readPosition)) {
            timeout = kPollPeriodMs;
            continue;
        }
        void *region1 = nullptr, *region2 = nullptr;
        DWORD length1 = 0, length2 = 0;
        if (SUCCEEDED(buffer->Lock(nextHalf * half, half, &region1, &length1, &region2, &length2, 0))) {
            std::memcpy(copy.data(), region1, std::min(length1, half));
            buffer->Unlock(region1, length1, region2, length2);
        }
        nextHalf = 1 - nextHalf;
        if (now >= countFrom) ++counted;
        if (steps) {
            LONG level = LeftLevel(copy.data(), half);
            if (wasQuiet && level >= kLoudLevel) std::printf("step %.6f %ld\n", UnixSeconds(), (long)level);
            if (level <= kQuietLevel) wasQuiet = true;
            else if (level >= kLoudLevel) wasQuiet = false;
        }
        timeout = NextPollTimeout(t0, timeGetTime());
    }
    double counting = CounterSeconds() - countFrom;
    double captured = counting * format.nSamplesPerSec / kBlockFrames;
    buffer->Stop();
    buffer->Release();
    capture->Release();

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
