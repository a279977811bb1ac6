#include <gtest/gtest.h>

#include "capture/sample_block.h"

TEST(SampleBlock, AppendGrowsAtTheEnd) {
    CSampleBlock block;
    EXPECT_EQ(block.data, nullptr);
    EXPECT_EQ(block.count, 0u);
    const BYTE first[] = {1, 2, 3};
    const BYTE second[] = {4, 5};
    ASSERT_TRUE(block.Append(first, 3));
    BYTE* before = block.data;
    ASSERT_TRUE(block.Append(second, 2));
    EXPECT_NE(block.data, before) << "each append takes new memory";
    ASSERT_EQ(block.count, 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(block.data[i], i + 1);
    block.Clear();
    EXPECT_EQ(block.data, nullptr);
    EXPECT_EQ(block.count, 0u);
    block.Clear();  // twice is harmless
    EXPECT_EQ(block.count, 0u);
}

TEST(SampleBlock, NullSourceGivesZeros) {
    CSampleBlock block;
    ASSERT_TRUE(block.Append(nullptr, 16));
    ASSERT_EQ(block.count, 16u);
    for (DWORD i = 0; i < 16; ++i) EXPECT_EQ(block.data[i], 0);
    const BYTE tail[] = {9};
    ASSERT_TRUE(block.Append(tail, 1));
    EXPECT_EQ(block.count, 17u);
    EXPECT_EQ(block.data[16], 9);
}

TEST(SampleBlock, RefusedAppendsLeaveTheBlockUnchanged) {
    CSampleBlock block;
    EXPECT_FALSE(block.Append(nullptr, 0));
    EXPECT_EQ(block.data, nullptr);
    EXPECT_EQ(block.count, 0u);

    const BYTE bytes[] = {7, 8};
    ASSERT_TRUE(block.Append(bytes, 2));
    BYTE* data = block.data;
    // Appending nothing to a filled block still succeeds (the total is not 0) and keeps the bytes.
    EXPECT_TRUE(block.Append(nullptr, 0));
    EXPECT_EQ(block.count, 2u);
    data = block.data;
    // A total beyond 32 bits is refused before any allocation.
    EXPECT_FALSE(block.Append(bytes, 0xFFFFFFFFu));
    EXPECT_FALSE(block.Append(bytes, 0xFFFFFFFEu));
    EXPECT_EQ(block.data, data);
    EXPECT_EQ(block.count, 2u);
    EXPECT_EQ(block.data[0], 7);
    EXPECT_EQ(block.data[1], 8);
}
