// Runs with unterminated_strings.rc (ProductName without its terminating zero, LegalCopyright
// with length zero) and with filled_heap.cpp, so that whatever lies beyond the characters the
// platform converts is not a zero by luck.
#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "info/version_info.h"

TEST(VersionInfoStringLength, CopiedWithinTheReportedLength) {
    char* probe = new (std::nothrow) char[32];
    ASSERT_NE(probe, nullptr);
    const char fill[4] = {'\xA5', '\xA5', '\xA5', '\xA5'};
    ASSERT_EQ(std::memcmp(probe, fill, sizeof(fill)), 0) << "fresh memory must carry the fill";
    delete[] probe;

    CString name = GetProductName();
    EXPECT_STREQ(name, "Quorvel");
    EXPECT_EQ(name.GetLength(), 7);
    EXPECT_STREQ(GetLegalCopyright(), "") << "a value of length zero leaves the text empty";
    EXPECT_STREQ(GetProductVersion(), "7.0.0.1");
}
