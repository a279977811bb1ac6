#include <gtest/gtest.h>

#include <vector>

#include "capture/capture_formats.h"
#include "capture/channel_levels.h"

namespace {

std::vector<BYTE> Stereo16(const std::vector<std::pair<SHORT, SHORT>>& frames) {
    std::vector<BYTE> bytes;
    for (auto frame : frames)
        for (SHORT s : {frame.first, frame.second}) {
            bytes.push_back((BYTE)(s & 0xFF));
            bytes.push_back((BYTE)((USHORT)s >> 8));
        }
    return bytes;
}

LONG LeftLevel(const std::vector<BYTE>& bytes) {
    return MeasureBlockLevels(bytes.data(), (DWORD)bytes.size(), MakeWaveFormat(WAVE_FORMAT_4S16)).left;
}

}  // namespace

TEST(ChannelLevels, SampleBytesReadAsSigned16BitLittleEndian) {
    const struct { BYTE low, high; LONG value; } cases[] = {
        {0x00, 0x80, -32768}, {0xFF, 0xFF, -1}, {0xFF, 0x7F, 32767}, {0x01, 0x00, 1}, {0x00, 0x01, 256}};
    for (const auto& c : cases) {
        BYTE frame[4] = {c.low, c.high, 0, 0};
        LONG low = 0xdead, high = 0xbeef;
        MeasureChannel(frame, 4, 0, 2, 4, &low, &high);
        EXPECT_EQ(c.value < 0 ? c.value : 0, low);
        EXPECT_EQ(c.value > 0 ? c.value : 0, high);
    }
}

TEST(ChannelLevels, RangeIsMeasuredFromZero) {
    EXPECT_EQ(LeftLevel(Stereo16(std::vector<std::pair<SHORT, SHORT>>(100, {1000, 0}))), 3);
    EXPECT_EQ(LeftLevel(Stereo16({{16384, 0}, {-16384, 0}, {16384, 0}, {-16384, 0}})), 128);
    EXPECT_EQ(LeftLevel(Stereo16({{32767, 0}, {-32768, 0}})), 255);
    EXPECT_EQ(LeftLevel(Stereo16({{0, 0}, {0, 0}, {-1, 0}, {0, 0}})), 0);
    EXPECT_EQ(LeftLevel(Stereo16({{-256, 0}})), 1);
    EXPECT_EQ(LeftLevel(Stereo16(std::vector<std::pair<SHORT, SHORT>>(8, {-32768, 0}))), 128);
}

TEST(ChannelLevels, ChannelsAreKeptApart) {
    auto bytes = Stereo16({{100, -20000}, {-300, 20000}, {200, 0}});
    LONG low, high;
    MeasureChannel(bytes.data(), (DWORD)bytes.size(), 0, 2, 4, &low, &high);
    EXPECT_EQ(low, -300);
    EXPECT_EQ(high, 200);
    MeasureChannel(bytes.data(), (DWORD)bytes.size(), 1, 2, 4, &low, &high);
    EXPECT_EQ(low, -20000);
    EXPECT_EQ(high, 20000);
    BlockLevels levels = MeasureBlockLevels(bytes.data(), (DWORD)bytes.size(), MakeWaveFormat(WAVE_FORMAT_4S16));
    EXPECT_EQ(levels.left, 1);
    EXPECT_EQ(levels.right, 156);
}

TEST(ChannelLevels, IncompleteFramesAndMissingDataGiveNothing) {
    // 4097 bytes: 1024 whole frames; the odd byte, which would read as an extreme, is ignored.
    std::vector<BYTE> bytes(4097, 0);
    bytes[4096] = 0x80;
    bytes[4095] = 0x7F;  // high byte of the last right sample: 0x7F00
    LONG low = 1, high = 1;
    MeasureChannel(bytes.data(), 4097, 0, 2, 4, &low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0);
    MeasureChannel(bytes.data(), 4097, 1, 2, 4, &low, &high);
    EXPECT_EQ(high, 0x7F00);

    for (DWORD count : {0u, 1u, 3u}) {
        BlockLevels levels = MeasureBlockLevels(bytes.data(), count, MakeWaveFormat(WAVE_FORMAT_4S16));
        EXPECT_EQ(levels.left, 0);
        EXPECT_EQ(levels.right, 0);
    }
    low = high = 7;
    MeasureChannel(nullptr, 4096, 0, 2, 4, &low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0);
    low = high = 7;
    MeasureChannel(bytes.data(), 4096, 0, 2, 0, &low, &high);  // no stride: no frames
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0);
    low = high = 7;
    MeasureChannel(bytes.data(), 4096, 2, 2, 4, &low, &high);  // the sample would leave its frame
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0);
    BYTE frames[6] = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80};
    low = high = 7;
    MeasureChannel(frames, 6, 0, 3, 3, &low, &high);  // no format has 3-byte samples
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0);
}

// 8-bit samples are unsigned around 128 and count on the 16-bit scale, so that silence reads 0
// and full scale 255 in every format.
TEST(BlockLevels, EightBitFormatsUseTheSameScale) {
    std::vector<BYTE> silence(2048, 0x80);
    for (DWORD code : {WAVE_FORMAT_4M08, WAVE_FORMAT_4S08}) {
        BlockLevels levels = MeasureBlockLevels(silence.data(), 2048, MakeWaveFormat(code));
        EXPECT_EQ(levels.left, 0);
        EXPECT_EQ(levels.right, 0);
    }
    std::vector<BYTE> stereo = {0x00, 0x80, 0xFF, 0x80, 0x80, 0xC0, 0x80, 0x40};
    BlockLevels levels = MeasureBlockLevels(stereo.data(), (DWORD)stereo.size(), MakeWaveFormat(WAVE_FORMAT_4S08));
    EXPECT_EQ(levels.left, 255);   // 0x00 -> -32768, 0xFF -> 32512
    EXPECT_EQ(levels.right, 128);  // 0xC0 -> 16384, 0x40 -> -16384
    std::vector<BYTE> oneSided = {0x80, 0x81, 0x90, 0x88};
    levels = MeasureBlockLevels(oneSided.data(), 4, MakeWaveFormat(WAVE_FORMAT_4M08));
    EXPECT_EQ(levels.left, 16);  // 0x90 -> 4096, measured from 0
    EXPECT_EQ(levels.right, 16);
}

TEST(BlockLevels, MonoGivesItsOneChannelToBoth) {
    // Alternating loud and silent samples: read as stereo, one "channel" would be silent.
    std::vector<BYTE> bytes;
    for (int i = 0; i < 512; ++i) {
        SHORT s = (i % 2) ? 0 : (SHORT)((i % 4) ? 16384 : -16384);
        bytes.push_back((BYTE)(s & 0xFF));
        bytes.push_back((BYTE)((USHORT)s >> 8));
    }
    BlockLevels levels = MeasureBlockLevels(bytes.data(), (DWORD)bytes.size(), MakeWaveFormat(WAVE_FORMAT_4M16));
    EXPECT_EQ(levels.left, 128);
    EXPECT_EQ(levels.right, 128);
}
