#include <gtest/gtest.h>

#include "tests/support/recording_app.h"

namespace {
CRecordingApp theApp;
}

CRecordingApp& TestApp() { return theApp; }

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
