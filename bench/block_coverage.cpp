// How many of the blocks that the device captures the level engine measures: runs the engine on
// the default capture device in a given format and compares its block counter with the time.
//   block_coverage SECONDS 1S16|4S16|48S16|96S16
// Prints key=value lines: the format in use, the seconds counted (after one second of warm-up),
// blocks measured, blocks captured (seconds x rate / 1024), and the process's CPU seconds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "bench/bench_app.h"
#include "bench/bench_clock.h"
#include "bench/bench_formats.h"
#include "capture/capture_device_list.h"
#include "capture/capture_engine.h"
#include "capture/capture_formats.h"

namespace {

const DWORD kBlockFrames = 1024;
const DWORD kWarmUpMs = 1000;

CBenchApp g_app;

}  // namespace

int main(int argc, char** argv) {
    DWORD requested = argc == 3 ? ParseStereo16Format(argv[2]) : 0;
    double seconds = argc == 3 ? std::atof(argv[1]) : 0;
    if (requested == 0 || seconds <= 0) {
        std::fprintf(stderr, "usage: block_coverage SECONDS 1S16|4S16|48S16|96S16\n");
        return 2;
    }
    CoInitialize(nullptr);  // result deliberately ignored: the device retries on failure
    auto* engine = new CCaptureEngine;
    engine->SetBlockSize(kBlockFrames);
    DWORD format = requested;
    if (!engine->Open(&format, DefaultCaptureDeviceId())) {
        std::fprintf(stderr, "block_coverage: the device did not open\n");
        return 1;
    }
    engine->EnableLevels(true);
    engine->Start();
    Sleep(kWarmUpMs);

    double cpu0 = ProcessCpuSeconds();
    DWORD blocks0 = engine->GetBlockCount();
    double t0 = CounterSeconds();
    Sleep((DWORD)(seconds * 1000));
    DWORD blocks1 = engine->GetBlockCount();
    double t1 = CounterSeconds();
    double cpu1 = ProcessCpuSeconds();

    engine->RequestStop();
    engine->Stop();
    delete engine;  // waits for the capture thread to end

    WAVEFORMATEX wave = MakeWaveFormat(format);
    std::printf("format=%s\n", (const char*)FormatDisplayName(format));
    std::printf("format_as_requested=%d\n", format == requested ? 1 : 0);
    std::printf("seconds=%.3f\n", t1 - t0);
    std::printf("blocks_measured=%lu\n", (unsigned long)(blocks1 - blocks0));
    std::printf("blocks_captured=%.1f\n", (t1 - t0) * wave.nSamplesPerSec / kBlockFrames);
    std::printf("cpu_seconds=%.3f\n", cpu1 - cpu0);
    std::printf("message_boxes=%d\n", g_app.boxes);
    return g_app.boxes == 0 ? 0 : 1;
}
