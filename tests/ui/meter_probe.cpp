// Looks at a running meter window from outside, as a user would: waits for it, reads its
// readouts, tells where it is on screen, opens and closes its info dialog, and closes it. Used by
// `make run` and by hand.
//   meter_probe [desktop NAME] wait SECONDS | readouts | rect | info SECONDS | close-info SECONDS
//                              | link | close | gone SECONDS
// `desktop NAME` looks on the Wine desktop of that name (`explorer /desktop=NAME,...`): a program
// on another desktop does not see its windows. `rect` prints the meter window's rectangle (left
// top width height, frame included, in the coordinates of its desktop); `info` opens the info
// dialog from the system menu and prints the rectangle that covers both windows; `close-info`
// closes the dialog as its close button does; `link` clicks the homepage link. Texts are read
// wide and printed in UTF-8.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "res/resource.h"
#include "tests/support/wide_text.h"

namespace {

HWND FindMeter() { return FindWindowW(L"#32770", L"Quorvel"); }
// The info dialog while it is shown
HWND FindInfo() {
    HWND info = FindWindowW(L"#32770", L"Info \u00FCber Quorvel");
    return info && IsWindowVisible(info) ? info : nullptr;
}

bool WaitFor(HWND (*find)(), bool present, double seconds) {
    DWORD start = GetTickCount();
    while ((find() != nullptr) != present) {
        if (GetTickCount() - start > seconds * 1000) return false;
        Sleep(50);
    }
    return true;
}

void PrintText(HWND window, int id) {
    wchar_t text[256] = L"";
    GetDlgItemTextW(window, id, text, 256);
    std::string utf8 = Utf8(text);
    for (char& c : utf8)
        if (c == '\t') c = ' ';
    std::printf("%s\n", utf8.c_str());
}

void PrintRect(const RECT& rect) {
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

}  // namespace

int main(int argc, char** argv) {
    const char* usage =
        "usage: meter_probe [desktop NAME] wait SECONDS | readouts | rect | info SECONDS | close-info SECONDS\n"
        "                                  | link | close | gone SECONDS\n";
    const char* desktopName = nullptr;
    if (argc > 3 && !std::strcmp(argv[1], "desktop")) {
        desktopName = argv[2];
        argc -= 2;
        argv += 2;
    }
    if (argc < 2) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    const char* command = argv[1];
    double seconds = argc > 2 ? std::atof(argv[2]) : 10;
    if (desktopName) {
        // The desktop comes with the meter's start and goes with its end.
        DWORD start = GetTickCount();
        HDESK desktop;
        while (!(desktop = OpenDesktopA(desktopName, 0, FALSE, GENERIC_ALL))) {
            if (!std::strcmp(command, "gone")) return 0;
            if (std::strcmp(command, "wait") || GetTickCount() - start > seconds * 1000) {
                std::fprintf(stderr, "meter_probe: no desktop %s\n", desktopName);
                return 1;
            }
            Sleep(50);
        }
        if (!SetThreadDesktop(desktop)) {
            std::fprintf(stderr, "meter_probe: cannot look on the desktop %s\n", desktopName);
            return 1;
        }
    }
    if (!std::strcmp(command, "wait")) return WaitFor(FindMeter, true, seconds) ? 0 : 1;
    if (!std::strcmp(command, "gone")) return WaitFor(FindMeter, false, seconds) ? 0 : 1;
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
        PrintRect(rect);
        return 0;
    }
    if (!std::strcmp(command, "info")) {
        // What a click on the system menu's entry sends; the dialog runs modal in the meter.
        PostMessageA(meter, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        if (!WaitFor(FindInfo, true, seconds)) {
            std::fprintf(stderr, "meter_probe: the info dialog did not open\n");
            return 1;
        }
        HWND info = FindInfo();
        RECT meterRect, infoRect, both;
        GetWindowRect(meter, &meterRect);
        GetWindowRect(info, &infoRect);
        UnionRect(&both, &meterRect, &infoRect);
        PrintRect(both);
        return 0;
    }
    if (!std::strcmp(command, "close-info")) {
        HWND info = FindInfo();
        if (info) PostMessageA(info, WM_CLOSE, 0, 0);
        return WaitFor(FindInfo, false, seconds) ? 0 : 1;
    }
    if (!std::strcmp(command, "link")) return PostMessageW(GetDlgItem(meter, IDC_HOMEPAGE), BM_CLICK, 0, 0) ? 0 : 1;
    if (!std::strcmp(command, "close")) return PostMessageA(meter, WM_CLOSE, 0, 0) ? 0 : 1;
    std::fprintf(stderr, "meter_probe: unknown command %s\n", command);
    return 2;
}
