// Runs with the program's own resources, started by run_from_long_paths.sh from copies whose
// full paths are 259 and 260 characters long; the executable's path goes into a buffer of 260.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "info/version_info.h"
#include "tests/support/recording_app.h"

namespace {

std::string OwnPath() {
    char path[1024];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return length < sizeof(path) ? std::string(path, length) : std::string();
}

}  // namespace

TEST(VersionInfoPathLimit, LongestPathThatFitsIsRead) {
    ASSERT_EQ(OwnPath().size(), 259u) << "start this from a path of 259 characters";
    EXPECT_STREQ(GetProductVersion(), "0.5.0.0");
    EXPECT_STREQ(GetProductName(), "Quorvel");
    EXPECT_STREQ(GetLegalCopyright(), "Copyright (C) 2026 the Quorvel developers");
}

TEST(VersionInfoPathLimit, PathFillingTheBufferIsNotRead) {
    std::string path = OwnPath();
    ASSERT_EQ(path.size(), 260u) << "start this from a path of 260 characters";
    // The path cut to 259 characters names another program, which a reader that took the cut
    // path would read instead.
    DWORD unused = 0;
    ASSERT_NE(GetFileVersionInfoSizeA(path.substr(0, 259).c_str(), &unused), 0u)
        << "there must be a program at the cut path";

    EXPECT_STREQ(GetProductVersion(), "");
    EXPECT_STREQ(GetProductName(), "");
    EXPECT_STREQ(GetLegalCopyright(), "");
    EXPECT_EQ(TestApp().BoxCount(), 0u);
}
