// Speed of the block measurement against a plain copy of the same bytes: MeasureBlockLevels over
// 1024-frame stereo 16-bit blocks, and memcpy of 4096 bytes, each timed over many iterations.
//   level_speed [ROUNDS] [SECONDS_PER_ROUND]
// Prints one line per round: "round N measure_samples_per_s X memcpy_samples_per_s Y".
#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench_clock.h"
#include "capture/capture_formats.h"
#include "capture/channel_levels.h"

namespace {

const DWORD kFrames = 1024;
const DWORD kBlockBytes = kFrames * 4;
const DWORD kSamplesPerBlock = kFrames * 2;
const int kBlocks = 8;  // several different blocks, all cache-resident, as in the meter

volatile LONG g_sink;

// Runs body in batches until the time is up; returns blocks per second.
template <typename Body>
double BlocksPerSecond(double seconds, Body body) {
    unsigned long long blocks = 0;
    double start = CounterSeconds(), now = start;
    while (now - start < seconds) {
        for (int i = 0; i < 1000; ++i) body(blocks++ % kBlocks);
        now = CounterSeconds();
    }
    return (double)blocks / (now - start);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    double seconds = argc > 2 ? std::atof(argv[2]) : 2.0;
    std::vector<BYTE> blocks(kBlocks * kBlockBytes);
    for (DWORD i = 0; i < kBlocks * kSamplesPerBlock; ++i) {
        SHORT value = (SHORT)(20000 * std::sin(i * 0.0137) + (i % 7) * 100);
        blocks[2 * i] = (BYTE)(value & 0xFF);
        blocks[2 * i + 1] = (BYTE)((value >> 8) & 0xFF);
    }
    std::vector<BYTE> target(kBlockBytes);
    WAVEFORMATEX format = MakeWaveFormat(WAVE_FORMAT_4S16);

    auto measure = [&](unsigned long long block) {
        BlockLevels levels = MeasureBlockLevels(&blocks[block * kBlockBytes], kBlockBytes, format);
        g_sink = levels.left + levels.right;
    };
    auto copy = [&](unsigned long long block) {
        std::memcpy(target.data(), &blocks[block * kBlockBytes], kBlockBytes);
        asm volatile("" : : "r"(target.data()) : "memory");  // the copy must happen
    };
    BlocksPerSecond(0.2, measure);  // warm-up
    BlocksPerSecond(0.2, copy);
    for (int round = 1; round <= rounds; ++round) {
        double measured = BlocksPerSecond(seconds, measure) * kSamplesPerBlock;
        double copied = BlocksPerSecond(seconds, copy) * kSamplesPerBlock;
        std::printf("round %d measure_samples_per_s %.4e memcpy_samples_per_s %.4e\n", round, measured, copied);
    }
    return 0;
}
