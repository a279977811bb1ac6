// Runs with short_values.rc: a fixed part of 48 bytes and a translation of one word, each
// followed by bytes that would give texts if the reported lengths were ignored.
#include <gtest/gtest.h>

#include "info/version_info.h"
#include "tests/support/recording_app.h"

TEST(VersionInfoShortValues, TooShortToUseCountsAsMissing) {
    EXPECT_STREQ(GetProductVersion(), "") << "a fixed part shorter than VS_FIXEDFILEINFO";
    EXPECT_STREQ(GetProductName(), "") << "a translation shorter than one language and code page pair";
    EXPECT_STREQ(GetLegalCopyright(), "");
    EXPECT_EQ(TestApp().BoxCount(), 0u);
}
