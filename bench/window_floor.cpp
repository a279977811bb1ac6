// The least that a level meter with the meter's window costs: the capture floor's polling on a
// capture thread, and on the window thread the window work every running meter must do on each
// 50 ms tick, and nothing else: the meter's own dialog template; the activity strip, the four
// readouts, each written with SetWindowText on every tick whatever it held, and the fills of both
// bars, all for the levels of the halves it copies. The fills are plain GDI fills (background
// colour, opaque text output without text) through device contexts got once, at the places the
// meter's bar arithmetic gives; nothing of the meter's dialog or framework runs.
//   window_floor SECONDS
// The window's title is "Quorvel window floor", so that nothing takes it for the meter.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "bench/floor_capture.h"
#include "capture/channel_levels.h"
#include "res/resource.h"
#include "ui/level_bars.h"

namespace {

const UINT_PTR kTickTimer = 1;
const UINT kTickMs = 50;
const UINT_PTR kEndTimer = 2;

// Written by the capture thread, read by the ticks, as the meter's engine does.
std::atomic<LONG> g_levels[2];
std::atomic<DWORD> g_blocks(0);
std::atomic<bool> g_capturing(true);

unsigned __stdcall CaptureLoop(void* param) {
    auto* capture = static_cast<FloorCapture*>(param);
    FloorPacing pacing(false);
    while (g_capturing) {
        pacing.Wait();
        bool copied = PollFloorCapture(capture);
        if (copied) {
            BlockLevels levels = MeasureBlockLevels(capture->half.data(), (DWORD)capture->half.size(), capture->format);
            g_levels[0] = levels.left;
            g_levels[1] = levels.right;
            ++g_blocks;
        }
        pacing.PollDone(copied);
    }
    return 0;
}

struct Window {
    HWND readouts[4];  // value left, max left, value right, max right
    HDC barDC[2];
    HDC stripDC;
    BarGeometry bars[2];
    LONG stripWidth, stripHeight;
    BarColours colours;
    BarState state;
    LONG maxima[2];
    double seconds;
};

Window g_window;

void Fill(HDC dc, LONG x, LONG width, LONG height, COLORREF colour) {
    RECT rect = {x, 0, x + width, height};
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void SetUp(HWND dialog, Window* window) {
    static const int kReadouts[4] = {IDC_VALUE_LEFT, IDC_MAX_LEFT, IDC_VALUE_RIGHT, IDC_MAX_RIGHT};
    static const int kBars[2] = {IDC_BAR_LEFT, IDC_BAR_RIGHT};
    for (int i = 0; i < 4; ++i) window->readouts[i] = GetDlgItem(dialog, kReadouts[i]);
    RECT rect;
    for (int bar = kLeftBar; bar <= kRightBar; ++bar) {
        HWND control = GetDlgItem(dialog, kBars[bar]);
        GetClientRect(control, &rect);
        window->bars[bar] = MakeBarGeometry(rect.right, rect.bottom);
        window->barDC[bar] = GetDC(control);
    }
    HWND strip = GetDlgItem(dialog, IDC_ACTIVITY);
    GetClientRect(strip, &rect);
    window->stripWidth = rect.right;
    window->stripHeight = rect.bottom;
    window->stripDC = GetDC(strip);
    window->colours = MeterColours();
    window->state = BarState();
    window->maxima[0] = window->maxima[1] = 0;
    SetWindowTextA(dialog, "Quorvel window floor");
}

void Tick(Window* window) {
    DWORD marks[4];
    bool marked = ActivityMarks(g_blocks, (DWORD)window->stripWidth, marks);
    Fill(window->stripDC, 0, window->stripWidth, window->stripHeight, window->colours.background);
    for (int i = 0; marked && i < 4; ++i)
        Fill(window->stripDC, (LONG)marks[i], 1, window->stripHeight, window->colours.marker);

    static const char* const kValueFormats[2] = {"L\t%ld", "R\t%ld"};
    static const char* const kMaxFormats[2] = {"L max\t%ld", "R max\t%ld"};
    const LONG levels[2] = {g_levels[0], g_levels[1]};
    char text[32];
    for (int channel = 0; channel < 2; ++channel) {
        std::snprintf(text, sizeof(text), kValueFormats[channel], (long)levels[channel]);
        SetWindowTextA(window->readouts[2 * channel], text);
        if (levels[channel] < window->maxima[channel]) continue;
        window->maxima[channel] = levels[channel];
        std::snprintf(text, sizeof(text), kMaxFormats[channel], (long)levels[channel]);
        SetWindowTextA(window->readouts[2 * channel + 1], text);
    }

    BarFill fills[kMaxBarFills];
    int count = TickLevelBars(window->bars, window->colours, levels, window->maxima, &window->state, fills);
    for (int i = 0; i < count; ++i)
        Fill(window->barDC[fills[i].bar], fills[i].x, fills[i].width, window->bars[fills[i].bar].height, fills[i].colour);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetUp(dialog, &g_window);
            SetTimer(dialog, kTickTimer, kTickMs, nullptr);
            SetTimer(dialog, kEndTimer, (UINT)(g_window.seconds * 1000), nullptr);
            return TRUE;
        case WM_TIMER:
            if (wParam == kTickTimer) Tick(&g_window);
            else EndDialog(dialog, IDOK);
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_DESTROY:
            ReleaseDC(GetDlgItem(dialog, IDC_ACTIVITY), g_window.stripDC);
            ReleaseDC(GetDlgItem(dialog, IDC_BAR_LEFT), g_window.barDC[kLeftBar]);
            ReleaseDC(GetDlgItem(dialog, IDC_BAR_RIGHT), g_window.barDC[kRightBar]);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int main(int argc, char** argv) {
    g_window.seconds = argc == 2 ? std::atof(argv[1]) : 0;
    if (g_window.seconds <= 0) {
        std::fprintf(stderr, "usage: window_floor SECONDS\n");
        return 2;
    }
    InitCommonControls();  // as the meter: the controls of the manifest's common controls
    CoInitialize(nullptr);  // result deliberately ignored: creation below tells
    FloorCapture capture;
    if (!OpenFloorCapture(&DSDEVID_DefaultCapture, WAVE_FORMAT_4S16, &capture)) return 1;
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CaptureLoop, &capture, 0, nullptr));
    if (!thread) {
        std::fprintf(stderr, "window_floor: no capture thread\n");
        return 1;
    }
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_METER), nullptr, DialogProc, 0);
    g_capturing = false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseFloorCapture(&capture);
    if (result == -1) {
        std::fprintf(stderr, "window_floor: the dialog did not open: %lu\n", GetLastError());
        return 1;
    }
    return 0;
}
