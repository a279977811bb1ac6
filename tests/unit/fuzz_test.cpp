// The pure parts of the capture engine against independent reference computations, over random
// and exhaustive inputs. Short by default; QUORVEL_STRESS=1 runs the full ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "capture/buffer_halves.h"
#include "capture/capture_formats.h"
#include "capture/channel_levels.h"
#include "capture/sample_block.h"

namespace {

bool Stress() {
    const char* value = std::getenv("QUORVEL_STRESS");
    return value && *value == '1';
}

// The preference order spelled out, rather than computed from kinds and groups.
const DWORD kOrder[] = {0x80000, 0x8000, 0x800, 0x80, 0x8,  0x40000, 0x4000, 0x400, 0x40, 0x4,
                        0x20000, 0x2000, 0x200, 0x20, 0x2,  0x10000, 0x1000, 0x100, 0x10, 0x1};

bool ReferenceFallback(DWORD mask, DWORD* code) {
    for (DWORD candidate : kOrder)
        if (mask & candidate) {
            *code = candidate;
            return true;
        }
    return false;
}

// Which half a position lies in: 0 below the middle, 1 above it, -1 on it.
int HalfOf(DWORD position, DWORD half) { return position < half ? 0 : position > half ? 1 : -1; }

bool ReferenceComplete(int next, DWORD half, DWORD capture, DWORD read) {
    int other = 1 - next;
    return HalfOf(capture, half) == other && HalfOf(read, half) == other;
}

// Levels decoded channel by channel into plain integers first.
BlockLevels ReferenceLevels(const std::vector<BYTE>& bytes, DWORD count, const WAVEFORMATEX& format) {
    int channels = format.nChannels, width = format.wBitsPerSample / 8;
    size_t frames = count / format.nBlockAlign;
    LONG level[2] = {0, 0};
    for (int c = 0; c < channels; ++c) {
        std::vector<int> samples;
        for (size_t f = 0; f < frames; ++f) {
            const BYTE* s = &bytes[f * format.nBlockAlign + c * width];
            samples.push_back(width == 1 ? (s[0] - 128) * 256 : (int)(int16_t)(s[0] + 256 * s[1]));
        }
        int low = 0, high = 0;
        for (int s : samples) {
            low = std::min(low, s);
            high = std::max(high, s);
        }
        level[c] = (high - low) / 256;
    }
    if (channels == 1) level[1] = level[0];
    return {level[0], level[1]};
}

}  // namespace

TEST(Fuzz, FallbackOverFormatMasks) {
    std::mt19937 random(1);
    const DWORD limit = Stress() ? (1u << 20) : 20000;
    for (DWORD i = 0; i < limit; ++i) {
        DWORD mask = Stress() ? i : random() & 0xFFFFF;
        const DWORD highBits[] = {0u, 0xFFF00000u, (DWORD)(random() & 0xFFF00000u)};
        for (DWORD high : highBits) {
            DWORD expected = 0xdeadbeef, chosen = 0xdeadbeef;
            bool found = ReferenceFallback(mask | high, &expected);
            ASSERT_EQ(FindFallbackFormat(mask | high, &chosen), found) << std::hex << (mask | high);
            ASSERT_EQ(chosen, expected) << std::hex << (mask | high);
        }
    }
    for (int bit = 20; bit < 32; ++bit) ASSERT_STREQ(FormatDisplayName(1u << bit), "unknow default");
}

TEST(Fuzz, HalfRuleOverPositionPairs) {
    std::mt19937 random(2);
    const int rounds = Stress() ? 5000000 : 200000;
    for (int i = 0; i < rounds; ++i) {
        DWORD half = (random() % 8) == 0 ? 1 + random() % 4 : 1 + random() % 200000;
        DWORD size = 2 * half;
        // Positions near the middle and the ends are where mistakes hide.
        auto position = [&] {
            switch (random() % 4) {
            case 0: return (DWORD)(half - 2 + random() % 5);
            case 1: return (DWORD)(random() % 3);
            case 2: return (DWORD)(size - 1 - random() % 3);
            default: return (DWORD)(random() % size);
            }
        };
        DWORD capture = position(), read = position();
        int next = random() % 2;
        ASSERT_EQ(IsHalfComplete(next, half, capture, read), ReferenceComplete(next, half, capture, read))
            << next << " " << half << " " << capture << " " << read;
    }
}

TEST(Fuzz, BlockLevelsOfEveryLengthInEveryFormat) {
    std::mt19937 random(3);
    const DWORD lengths = Stress() ? 9000 : 600;
    const DWORD codes[] = {WAVE_FORMAT_4S16, WAVE_FORMAT_4M16, WAVE_FORMAT_4S08, WAVE_FORMAT_4M08,
                           WAVE_FORMAT_96S16, WAVE_FORMAT_1M08};
    std::vector<BYTE> bytes(9000);
    for (DWORD code : codes) {
        WAVEFORMATEX format = MakeWaveFormat(code);
        for (DWORD length = 0; length <= lengths; ++length) {
            // Quiet, loud and one-sided blocks alike.
            int style = random() % 3;
            for (DWORD i = 0; i < length; ++i)
                bytes[i] = style == 0 ? (BYTE)random() : style == 1 ? (BYTE)(0x78 + random() % 16) : (BYTE)(random() % 0x80);
            BlockLevels expected = ReferenceLevels(bytes, length, format);
            BlockLevels measured = MeasureBlockLevels(bytes.data(), length, format);
            ASSERT_EQ(measured.left, expected.left) << code << " length " << length;
            ASSERT_EQ(measured.right, expected.right) << code << " length " << length;
            ASSERT_GE(measured.left, 0);
            ASSERT_LE(measured.left, 255);
        }
    }
}

TEST(Fuzz, SampleBlockAppendsAgainstAVector) {
    std::mt19937 random(4);
    const int rounds = Stress() ? 20000 : 2000;
    CSampleBlock block;
    std::vector<BYTE> reference;
    std::vector<BYTE> source(5000);
    for (int i = 0; i < rounds; ++i) {
        if (random() % 10 == 0) {
            block.Clear();
            reference.clear();
            continue;
        }
        DWORD length = random() % 5000;
        bool nullSource = random() % 5 == 0;
        for (DWORD j = 0; j < length; ++j) source[j] = (BYTE)random();
        bool appended = block.Append(nullSource ? nullptr : source.data(), length);
        ASSERT_EQ(appended, reference.size() + length != 0);
        if (appended)
            for (DWORD j = 0; j < length; ++j) reference.push_back(nullSource ? 0 : source[j]);
        ASSERT_EQ(block.count, reference.size());
        ASSERT_EQ(block.data == nullptr, reference.empty());
        if (!reference.empty()) {
            ASSERT_EQ(0, memcmp(block.data, reference.data(), reference.size()));
        }
        if (reference.size() > 200000) {
            block.Clear();
            reference.clear();
        }
    }
}
