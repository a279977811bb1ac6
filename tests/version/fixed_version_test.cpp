// Runs with fixed_version.rc: product version 1.10.300.65535, file version 2.20.400.65534 and
// the ProductVersion text "0.5.0.0 beta".
#include <gtest/gtest.h>

#include "info/version_info.h"

TEST(VersionInfoFixedPart, ProductVersionFromTheFixedPartOnly) {
    // Each part in plain decimal, in the order high and low word of the most significant double
    // word, then of the least significant one; neither the file version nor the text is used.
    EXPECT_STREQ(GetProductVersion(), "1.10.300.65535");
    EXPECT_STREQ(GetProductName(), "Quorvel");
    EXPECT_STREQ(GetLegalCopyright(), "Rights of the fixed version case");
}
