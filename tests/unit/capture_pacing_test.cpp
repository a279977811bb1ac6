#include <gtest/gtest.h>

#include "capture/buffer_halves.h"
#include "capture/capture_pacing.h"

TEST(CapturePacing, NextPassAboutTenMillisecondsAfterTheLastBegan) {
    const DWORD starts[] = {0u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFAu};
    for (DWORD t0 : starts) {
        SCOPED_TRACE(t0);
        EXPECT_EQ(NextPollTimeout(t0, t0), 10u);
        EXPECT_EQ(NextPollTimeout(t0, t0 + 3), 7u);  // wraps for the last starts
        EXPECT_EQ(NextPollTimeout(t0, t0 + 9), 1u);
        EXPECT_EQ(NextPollTimeout(t0, t0 + 10), 1u);
        EXPECT_EQ(NextPollTimeout(t0, t0 + 5000), 1u);
        EXPECT_EQ(NextPollTimeout(t0, t0 + 0x7FFFFFFF), 1u);
    }
}

TEST(BufferHalves, BothPositionsMustHaveLeftTheHalf) {
    const DWORD half = 4096;
    EXPECT_TRUE(IsHalfComplete(0, half, 6000, 5000));
    EXPECT_FALSE(IsHalfComplete(1, half, 100, 6000));
    EXPECT_TRUE(IsHalfComplete(1, half, 300, 100));
    // The middle counts for neither half.
    for (int next : {0, 1}) {
        EXPECT_FALSE(IsHalfComplete(next, half, 4096, 4096));
        EXPECT_FALSE(IsHalfComplete(next, half, 5000, 4096));
        EXPECT_FALSE(IsHalfComplete(next, half, 4096, 100));
        EXPECT_FALSE(IsHalfComplete(next, half, 4200, 4000));
        EXPECT_FALSE(IsHalfComplete(next, half, 4000, 4200));
    }
    EXPECT_FALSE(IsHalfComplete(0, half, 0, 0));
    EXPECT_TRUE(IsHalfComplete(1, half, 0, 0));
    EXPECT_TRUE(IsHalfComplete(0, half, 8191, 4097));
    EXPECT_FALSE(IsHalfComplete(1, half, 8191, 4097));
}
