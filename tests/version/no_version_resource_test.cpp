// Runs without any version resource in the executable.
#include <gtest/gtest.h>

#include "info/version_info.h"
#include "tests/support/recording_app.h"

TEST(VersionInfoMissing, ThreeEmptyTextsAndNoMessage) {
    for (int call = 0; call < 2; ++call) {
        EXPECT_STREQ(GetProductVersion(), "") << "call " << call;
        EXPECT_STREQ(GetProductName(), "") << "call " << call;
        EXPECT_STREQ(GetLegalCopyright(), "") << "call " << call;
    }
    EXPECT_EQ(TestApp().BoxCount(), 0u);
}
