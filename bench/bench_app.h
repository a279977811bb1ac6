#pragma once
// The benchmark programs' application object: a message box would wait for a user who is not
// there, so its text goes to standard error instead and counts as a failure of the run.
#include <cstdio>

#include "framework/afxwinapp.h"

class CBenchApp : public CWinApp {
public:
    int DoMessageBox(const char* text, UINT, UINT) override {
        std::fprintf(stderr, "message box: %s\n", text);
        ++boxes;
        return IDOK;
    }
    int boxes = 0;
};
