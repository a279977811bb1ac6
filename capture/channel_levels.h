#pragma once
// Level measurement of one captured block: peak-to-peak amplitude per channel on a 0..255 scale.
#include <windows.h>
#include <mmsystem.h>

// Smallest and largest sample of one channel, both measured from 0. Frames are frameStride
// bytes apart; the channel's sample starts channel * bytesPerSample bytes into its frame.
// 2 bytes per sample: signed, least significant byte first. 1 byte per sample: unsigned with
// 128 as zero, scaled to the 16-bit range ((u - 128) * 256) so both widths share one scale.
// Trailing bytes of an incomplete frame are ignored; no frames, another width, or a sample that
// does not fit its frame gives 0 and 0.
void MeasureChannel(const BYTE* samples, DWORD byteCount, DWORD channel, DWORD bytesPerSample,
                    DWORD frameStride, LONG* minimum, LONG* maximum);

// (maximum - minimum) / 256 of a channel: 0..255.
LONG LevelFromRange(LONG minimum, LONG maximum);

struct BlockLevels {
    LONG left;
    LONG right;
};

// Both level values of a block in the given PCM format; a mono block gives its one channel's
// level to both.
BlockLevels MeasureBlockLevels(const BYTE* samples, DWORD byteCount, const WAVEFORMATEX& format);
