// Runs with second_translation.rc: translations 0407/04E4 and 0409/04B0, string values only in
// block "040904B0".
#include <gtest/gtest.h>

#include "info/version_info.h"
#include "tests/support/recording_app.h"

TEST(VersionInfoTranslation, OnlyTheFirstTranslationCounts) {
    EXPECT_STREQ(GetProductName(), "");
    EXPECT_STREQ(GetLegalCopyright(), "");
    EXPECT_STREQ(GetProductVersion(), "3.1.4.1") << "the fixed part does not depend on the translation";
    EXPECT_EQ(TestApp().BoxCount(), 0u);
}
