#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/recording_app.h"

namespace {
CRecordingApp theApp;
}

CRecordingApp& TestApp() { return theApp; }

int main(int argc, char** argv) {
    // Like the program (its manifest says so): coordinates and pictures are the screen's own
    // pixels at any scale, also those of the program's windows.
    SetProcessDPIAware();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
