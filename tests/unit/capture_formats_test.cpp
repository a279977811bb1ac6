#include <gtest/gtest.h>

#include "capture/capture_formats.h"

namespace {

struct Row {
    DWORD code;
    DWORD rate;
    WORD channels;
    WORD bits;
    const char* name;
};

const Row kTable[] = {
    {0x1, 11025, 1, 8, "11.025kHz mono 8bit"},      {0x2, 11025, 2, 8, "11.025kHz stereo 8bit"},
    {0x4, 11025, 1, 16, "11.025kHz mono 16bit"},    {0x8, 11025, 2, 16, "11.025kHz stereo 16bit"},
    {0x10, 22050, 1, 8, "22.05kHz mono 8bit"},      {0x20, 22050, 2, 8, "22.05kHz stereo 8bit"},
    {0x40, 22050, 1, 16, "22.05kHz mono 16bit"},    {0x80, 22050, 2, 16, "22.05kHz stereo 16bit"},
    {0x100, 44100, 1, 8, "44.1kHz mono 8bit"},      {0x200, 44100, 2, 8, "44.1kHz stereo 8bit"},
    {0x400, 44100, 1, 16, "44.1kHz mono 16bit"},    {0x800, 44100, 2, 16, "44.1kHz stereo 16bit"},
    {0x1000, 48000, 1, 8, "48kHz mono 8bit"},       {0x2000, 48000, 2, 8, "48kHz stereo 8bit"},
    {0x4000, 48000, 1, 16, "48kHz mono 16bit"},     {0x8000, 48000, 2, 16, "48kHz stereo 16bit"},
    {0x10000, 96000, 1, 8, "96kHz mono 8bit"},      {0x20000, 96000, 2, 8, "96kHz stereo 8bit"},
    {0x40000, 96000, 1, 16, "96kHz mono 16bit"},    {0x80000, 96000, 2, 16, "96kHz stereo 16bit"},
};

void ExpectFormat(const WAVEFORMATEX& f, DWORD rate, WORD channels, WORD bits) {
    EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(f.nSamplesPerSec, rate);
    EXPECT_EQ(f.nChannels, channels);
    EXPECT_EQ(f.wBitsPerSample, bits);
    EXPECT_EQ(f.nBlockAlign, channels * bits / 8);
    EXPECT_EQ(f.nAvgBytesPerSec, rate * (channels * bits / 8));
    EXPECT_EQ(f.cbSize, 18);
}

}  // namespace

TEST(CaptureFormats, EveryRowOfTheTable) {
    for (const Row& row : kTable) {
        SCOPED_TRACE(row.name);
        ExpectFormat(MakeWaveFormat(row.code), row.rate, row.channels, row.bits);
        EXPECT_STREQ(FormatDisplayName(row.code), row.name);
    }
}

TEST(CaptureFormats, CodesOutsideTheTableDescribe44kStereo16) {
    WAVEFORMATEX reference = MakeWaveFormat(0x800);
    ExpectFormat(reference, 44100, 2, 16);
    EXPECT_EQ(reference.nAvgBytesPerSec, 176400u);
    for (DWORD code : {0x0u, 0x3u, 0x801u, 0x100000u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(code);
        WAVEFORMATEX f = MakeWaveFormat(code);
        EXPECT_EQ(0, memcmp(&f, &reference, sizeof(f)));
    }
    EXPECT_EQ(MakeWaveFormat(0x80000).nAvgBytesPerSec, 384000u);
    EXPECT_EQ(MakeWaveFormat(0x80000).nBlockAlign, 4);
    EXPECT_EQ(MakeWaveFormat(0x1).nAvgBytesPerSec, 11025u);
    EXPECT_EQ(MakeWaveFormat(0x1).nBlockAlign, 1);
}

TEST(CaptureFormats, DisplayNamesOfInvalidCodes) {
    EXPECT_STREQ(FormatDisplayName(0), "invalid format");
    EXPECT_STREQ(FormatDisplayName(0x3), "unknow default");
    EXPECT_STREQ(FormatDisplayName(0x100000), "unknow default");
    EXPECT_STREQ(FormatDisplayName(0x801), "unknow default");
    EXPECT_STREQ(FormatDisplayName(0xFFFFFFFF), "unknow default");
}

TEST(CaptureFormats, FallbackPrefersWidthThenChannelsThenRate) {
    const DWORD order[] = {0x80000, 0x8000, 0x800, 0x80, 0x8,  0x40000, 0x4000, 0x400, 0x40, 0x4,
                           0x20000, 0x2000, 0x200, 0x20, 0x2,  0x10000, 0x1000, 0x100, 0x10, 0x1};
    // Dropping the formats one by one from the front walks the whole order.
    DWORD mask = 0xFFFFF;
    for (DWORD expected : order) {
        DWORD chosen = 0xdeadbeef;
        ASSERT_TRUE(FindFallbackFormat(mask, &chosen));
        EXPECT_EQ(chosen, expected);
        mask &= ~expected;
    }

    DWORD chosen = 0xdeadbeef;
    EXPECT_TRUE(FindFallbackFormat(0x8 | 0x40000, &chosen));
    EXPECT_EQ(chosen, 0x8u) << "stereo 16-bit at 11.025 kHz comes before mono 16-bit at 96 kHz";
    EXPECT_TRUE(FindFallbackFormat(0x800 | 0x8000 | 0x80000, &chosen));
    EXPECT_EQ(chosen, 0x80000u);
    EXPECT_TRUE(FindFallbackFormat(0x1, &chosen));
    EXPECT_EQ(chosen, 0x1u);
    EXPECT_TRUE(FindFallbackFormat(0x1 | 0xFFF00000, &chosen));
    EXPECT_EQ(chosen, 0x1u);
}

TEST(CaptureFormats, FallbackWithoutAnyStandardFormatLeavesTheCode) {
    for (DWORD mask : {0x0u, 0x100000u, 0xFFF00000u}) {
        DWORD chosen = 0xdeadbeef;
        EXPECT_FALSE(FindFallbackFormat(mask, &chosen));
        EXPECT_EQ(chosen, 0xdeadbeefu);
    }
}
