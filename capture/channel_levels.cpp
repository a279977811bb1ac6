#include "capture/channel_levels.h"

namespace {

inline LONG ReadSample(const BYTE* sample, DWORD bytesPerSample) {
    if (bytesPerSample == 1) return ((LONG)sample[0] - 128) * 256;
    return (SHORT)(sample[0] | (sample[1] << 8));
}

template <DWORD BytesPerSample>
void Sweep(const BYTE* first, DWORD frames, DWORD stride, LONG* minimum, LONG* maximum) {
    LONG low = 0, high = 0;
    for (DWORD i = 0; i < frames; ++i, first += stride) {
        LONG value = ReadSample(first, BytesPerSample);
        if (value > high) high = value;
        if (value < low) low = value;
    }
    *minimum = low;
    *maximum = high;
}

}  // namespace

void MeasureChannel(const BYTE* samples, DWORD byteCount, DWORD channel, DWORD bytesPerSample,
                    DWORD frameStride, LONG* minimum, LONG* maximum) {
    *minimum = 0;
    *maximum = 0;
    DWORD frames = frameStride == 0 ? 0 : byteCount / frameStride;
    if (!samples || frames == 0) return;
    if (bytesPerSample != 1 && bytesPerSample != 2) return;
    // 64-bit so that a huge channel index cannot wrap into a valid-looking offset.
    if ((ULONGLONG)(channel + 1ULL) * bytesPerSample > frameStride) return;
    const BYTE* first = samples + channel * bytesPerSample;
    if (bytesPerSample == 1) Sweep<1>(first, frames, frameStride, minimum, maximum);
    else Sweep<2>(first, frames, frameStride, minimum, maximum);
}

LONG LevelFromRange(LONG minimum, LONG maximum) { return (maximum - minimum) / 256; }

BlockLevels MeasureBlockLevels(const BYTE* samples, DWORD byteCount, const WAVEFORMATEX& format) {
    DWORD bytesPerSample = format.wBitsPerSample / 8;
    DWORD stride = format.nBlockAlign;
    LONG low, high;
    MeasureChannel(samples, byteCount, 0, bytesPerSample, stride, &low, &high);
    BlockLevels levels;
    levels.left = LevelFromRange(low, high);
    if (format.nChannels >= 2) {
        MeasureChannel(samples, byteCount, 1, bytesPerSample, stride, &low, &high);
        levels.right = LevelFromRange(low, high);
    } else {
        levels.right = levels.left;
    }
    return levels;
}
