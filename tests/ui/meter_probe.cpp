// Looks at a running meter window from outside, as a user would: waits for it, reads its
// readouts, tells where it is on screen, and closes it. Used by `make run` and by hand.
//   meter_probe wait SECONDS | readouts | rect | close | gone SECONDS
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "res/resource.h"

namespace {

HWND FindMeter() { return FindWindowA("#32770", "Quorvel"); }

bool WaitFor(bool present, double seconds) {
    DWORD start = GetTickCount();
    while ((FindMeter() != nullptr) != present) {
        if (GetTickCount() - start > seconds * 1000) return false;
        Sleep(50);
    }
    return true;
}

void PrintText(HWND window, int id) {
    char text[256] = "";
    GetDlgItemTextA(window, id, text, sizeof(text));
    for (char* c = text; *c; ++c)
        if (*c == '\t') *c = ' ';
    std::printf("%s\n", text);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: meter_probe wait SECONDS | readouts | rect | close | gone SECONDS\n");
        return 2;
    }
    const char* command = argv[1];
    double seconds = argc > 2 ? std::atof(argv[2]) : 10;
    if (!std::strcmp(command, "wait")) return WaitFor(true, seconds) ? 0 : 1;
    if (!std::strcmp(command, "gone")) return WaitFor(false, seconds) ? 0 : 1;
    HWND meter = FindMeter();
    if (!meter) {
        std::fprintf(stderr, "meter_probe: no meter window\n");
        return 1;
    }
    if (!std::strcmp(command, "readouts")) {
        for (int id : {IDC_VALUE_LEFT, IDC_MAX_LEFT, IDC_VALUE_RIGHT, IDC_MAX_RIGHT, IDC_FORMAT_NAME, IDC_VERSION})
            PrintText(meter, id);
        return 0;
    }
    if (!std::strcmp(command, "rect")) {
        RECT rect;
        GetWindowRect(meter, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (!std::strcmp(command, "close")) return PostMessageA(meter, WM_CLOSE, 0, 0) ? 0 : 1;
    std::fprintf(stderr, "meter_probe: unknown command %s\n", command);
    return 2;
}
