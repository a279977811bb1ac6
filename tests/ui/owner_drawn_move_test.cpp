// What the link button relies on from the window system: moving a window to the rectangle it
// already has does not draw it again. Otherwise a button that moves itself in every drawing
// would draw for ever. Checked on an owner-drawn button of this test's own window.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/ui/session_scripts.h"

namespace {

struct PaintCount {
    int total = 0;
    ULONGLONG last = 0;
    LONG resizeTo = 0;  // width to give the button in its drawing, 0 for its own
};

PaintCount g_paints;

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_DRAWITEM) return DefWindowProcA(window, message, wParam, lParam);
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    ++g_paints.total;
    g_paints.last = GetTickCount64();
    FillRect(item->hDC, &item->rcItem, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT rect;
    GetWindowRect(item->hwndItem, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    LONG width = g_paints.resizeTo ? g_paints.resizeTo : rect.right - rect.left;
    MoveWindow(item->hwndItem, rect.left, rect.top, width, rect.bottom - rect.top, TRUE);
    return TRUE;
}

// Shows a window with an owner-drawn button for two seconds and counts the button's drawings.
PaintCount CountPaints(LONG resizeTo) {
    g_paints = PaintCount();
    g_paints.resizeTo = resizeTo;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND window = CreateWindowExA(0, "QuorvelPaintProbe", "paint probe", WS_POPUP | WS_VISIBLE, 600, 700, 300, 80,
                                  nullptr, nullptr, instance, nullptr);
    HWND button = CreateWindowExA(0, "BUTTON", "probe", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, 80, 20, window,
                                  reinterpret_cast<HMENU>(1), instance, nullptr);
    EXPECT_NE(window, nullptr);
    EXPECT_NE(button, nullptr);
    ULONGLONG start = GetTickCount64();
    MSG message;
    while (GetTickCount64() - start < 2000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(1);
    }
    PaintCount result = g_paints;
    result.last = result.last ? result.last - start : 0;
    DestroyWindow(window);
    return result;
}

class OwnerDrawnMove : public ::testing::Test {
protected:
    void SetUp() override {
        std::string report;
        ASSERT_TRUE(CheckSession(&report)) << "the test session is not complete:\n" << report;
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ProbeWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuorvelPaintProbe";
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        ASSERT_TRUE(RegisterClassA(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    }
};

}  // namespace

TEST_F(OwnerDrawnMove, AMoveToTheSameRectangleDoesNotDrawAgain) {
    PaintCount same = CountPaints(0);
    std::printf("moving to the same rectangle: %d drawings in 2 s, the last at %llu ms\n", same.total, same.last);
    EXPECT_EQ(same.total, 1);

    // As the link button does: the first drawing resizes, the second finds the size right.
    PaintCount resized = CountPaints(100);
    std::printf("resizing once, then the same rectangle: %d drawings in 2 s, the last at %llu ms\n", resized.total,
                resized.last);
    EXPECT_EQ(resized.total, 2);
    EXPECT_LT(resized.last, 1000u) << "the drawings must stop once the size is right";
}
