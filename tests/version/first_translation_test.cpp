// Runs with first_translation.rc: translations 040C/04B0 and 0407/04E4, string blocks
// "040704E4", "04B0040C" and "040C04B0" in that order.
#include <gtest/gtest.h>

#include "info/version_info.h"

TEST(VersionInfoTranslation, TextsOfTheFirstTranslationsBlock) {
    // The block name is language then code page, four upper-case hexadecimal digits each.
    EXPECT_STREQ(GetProductName(), "First translation");
    EXPECT_STREQ(GetLegalCopyright(), "Rights of the first translation");
    EXPECT_STREQ(GetProductVersion(), "4.0.0.0");
}
