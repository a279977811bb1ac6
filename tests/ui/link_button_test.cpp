// The link buttons: each sizes itself around its template centre to its caption plus 2 pixels,
// draws its caption blue without underline, in the hover colour with an underline while the
// pointer is over it, and stops drawing once it has settled.
#include <cstdio>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/dialog_template.h"
#include "tests/ui/meter_test.h"
#include "tests/ui/screenshot.h"
#include "tests/ui/session_scripts.h"

namespace {

const COLORREF kLinkBlue = RGB(0, 0, 255);
const COLORREF kHoverBlue = RGB(50, 128, 255);

struct LinkButton {
    HWND window;
    int templateId;
    int controlId;
};

// How a link button's caption looks on a screenshot.
struct CaptionLook {
    int linkPixels = 0;
    int hoverPixels = 0;
    bool linkUnderline = false;
    bool hoverUnderline = false;

    std::string Describe() const {
        return std::to_string(linkPixels) + " link-blue and " + std::to_string(hoverPixels) + " hover-blue pixels" +
               (linkUnderline ? ", underlined in link blue" : "") + (hoverUnderline ? ", underlined in hover blue" : "");
    }
};

// The caption starts 2 pixels in from the button's left edge once the button has sized itself.
CaptionLook LookAt(const Screenshot& picture, HWND button, LONG captionWidth) {
    CaptionLook look;
    RECT rect;
    GetWindowRect(button, &rect);
    for (int y = rect.top; y < rect.bottom; ++y) {
        int linkRun = 0, hoverRun = 0;
        for (int x = rect.left; x < rect.right; ++x) {
            COLORREF colour = picture.Pixel(x, y);
            look.linkPixels += colour == kLinkBlue;
            look.hoverPixels += colour == kHoverBlue;
            bool underCaption = x >= rect.left + 2 && x < rect.left + 2 + captionWidth;
            linkRun += underCaption && colour == kLinkBlue;
            hoverRun += underCaption && colour == kHoverBlue;
        }
        look.linkUnderline |= linkRun == captionWidth;
        look.hoverUnderline |= hoverRun == captionWidth;
    }
    return look;
}

class MeterLinkButton : public MeterTest {
protected:
    // The caption's extent in the dialog's font, measured in a layout of the same template.
    SIZE CaptionExtent(const LinkButton& link) {
        TemplateLayout layout;
        std::string error;
        SIZE extent = {0, 0};
        EXPECT_TRUE(layout.Load(ProgramWindowsPath(), link.templateId, &error)) << error;
        EXPECT_TRUE(layout.TextExtent(WindowText(link.window), &extent));
        return extent;
    }

    // Waits (taking screenshots) until the caption looks as wanted.
    void ExpectLook(const LinkButton& link, bool hovering) {
        LONG width = CaptionExtent(link).cx;
        ASSERT_GT(width, 0);
        CaptionLook look;
        std::string error;
        for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < 3000; Sleep(100)) {
            Screenshot picture;
            ASSERT_TRUE(picture.Take(&error)) << error;
            look = LookAt(picture, link.window, width);
            bool wanted = hovering ? look.hoverPixels >= 20 && look.linkPixels == 0 && look.hoverUnderline
                                   : look.linkPixels >= 20 && look.hoverPixels == 0 && !look.linkUnderline &&
                                         !look.hoverUnderline;
            if (wanted) return;
        }
        ADD_FAILURE() << (hovering ? "while the pointer is over it" : "with the pointer elsewhere")
                      << " the caption shows " << look.Describe();
    }

    // The pointer goes where no window is, then over the caption's upper left part (so that the
    // tooltip, which opens below the pointer, stays clear of the caption), then away again.
    void ExpectHoverCycle(const LinkButton& link) {
        ASSERT_TRUE(SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1));
        ASSERT_NO_FATAL_FAILURE(ExpectLook(link, false));
        RECT rect;
        GetWindowRect(link.window, &rect);
        ASSERT_TRUE(SetCursorPos(rect.left + 4, rect.top + 2));
        ASSERT_NO_FATAL_FAILURE(ExpectLook(link, true));
        ASSERT_TRUE(SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1));
        ASSERT_NO_FATAL_FAILURE(ExpectLook(link, false));
    }

    void ExpectSizedAroundTemplateCentre(const LinkButton& link) {
        TemplateLayout layout;
        std::string error;
        ASSERT_TRUE(layout.Load(ProgramWindowsPath(), link.templateId, &error)) << error;
        RECT units, pixels;
        ASSERT_TRUE(layout.TemplateRect(link.controlId, &units));
        ASSERT_TRUE(layout.PixelRect(link.controlId, &pixels));
        RECT placed;
        ASSERT_TRUE(layout.PlacedRect(link.controlId, &placed));
        ASSERT_TRUE(EqualRect(&pixels, &placed)) << "the dialog manager placed the control elsewhere";
        std::string caption = WindowText(link.window);
        EXPECT_EQ(caption, QUORVEL_WEB_HOST);
        SIZE extent;
        ASSERT_TRUE(layout.TextExtent(caption, &extent));
        LONG halfWidth = extent.cx / 2, halfHeight = extent.cy / 2;
        LONG centreX = (pixels.left + pixels.right) / 2, centreY = (pixels.top + pixels.bottom) / 2;
        RECT expected = {centreX - halfWidth - 2, centreY - halfHeight - 2, centreX + halfWidth + 2,
                         centreY + halfHeight + 2};
        RECT actual = {0, 0, 0, 0};
        auto place = [&] {
            GetWindowRect(link.window, &actual);
            MapWindowPoints(nullptr, GetParent(link.window), reinterpret_cast<POINT*>(&actual), 2);
            return EqualRect(&actual, &expected) != FALSE;
        };
        EXPECT_TRUE(WaitUntil(place, 3000))
            << "template (" << units.left << ", " << units.top << ")-(" << units.right << ", " << units.bottom
            << ") dialog units = (" << pixels.left << ", " << pixels.top << ")-(" << pixels.right << ", "
            << pixels.bottom << ") px; caption " << extent.cx << " x " << extent.cy << "; expected (" << expected.left
            << ", " << expected.top << ")-(" << expected.right << ", " << expected.bottom << "), got (" << actual.left
            << ", " << actual.top << ")-(" << actual.right << ", " << actual.bottom << ")";
        std::printf("link button %d: caption %ld x %ld, window %ld x %ld around (%ld, %ld)\n", link.controlId,
                    extent.cx, extent.cy, actual.right - actual.left, actual.bottom - actual.top, centreX, centreY);
    }

    HWND OpenInfo() {
        if (!PostMessageA(meter.Window(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0)) return nullptr;
        return meter.WaitForOtherDialog(5000);
    }
};

}  // namespace

TEST_F(MeterLinkButton, SizesItselfAroundItsTemplateCentre) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(ExpectSizedAroundTemplateCentre({meter.Control(IDC_HOMEPAGE), IDD_METER, IDC_HOMEPAGE}));
    HWND info = OpenInfo();
    ASSERT_NE(info, nullptr) << "no info dialog";
    ASSERT_NO_FATAL_FAILURE(ExpectSizedAroundTemplateCentre({GetDlgItem(info, IDC_INFO_LINK), IDD_INFO, IDC_INFO_LINK}));
}

TEST_F(MeterLinkButton, HoverColourAndUnderlineOnlyWhileThePointerIsOver) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(ExpectHoverCycle({meter.Control(IDC_HOMEPAGE), IDD_METER, IDC_HOMEPAGE}));
    HWND info = OpenInfo();
    ASSERT_NE(info, nullptr) << "no info dialog";
    ASSERT_NO_FATAL_FAILURE(ExpectHoverCycle({GetDlgItem(info, IDC_INFO_LINK), IDD_INFO, IDC_INFO_LINK}));
}

TEST_F(MeterLinkButton, DrawingSettles) {
    // A link button that kept drawing itself (each drawing moving it, each move drawing it again)
    // would keep the program busy; settled, it costs nothing while the meter idles.
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    HWND info = OpenInfo();
    ASSERT_NE(info, nullptr) << "no info dialog";
    Sleep(1000);
    // GetProcessTimes on another process reads next to nothing under Wine: /proc tells.
    double before, after;
    std::string report;
    ASSERT_TRUE(ReadProgramCpuSeconds(&before, &report)) << "the program's process is not found in /proc:\n" << report;
    ULONGLONG start = GetTickCount64();
    Sleep(2000);
    ASSERT_TRUE(ReadProgramCpuSeconds(&after, &report)) << report;
    double elapsed = (GetTickCount64() - start) / 1000.0;
    double used = after - before;
    std::printf("idle with both link buttons shown: %.2f s of processor time in %.2f s (%.1f %% of one core)\n", used,
                elapsed, 100 * used / elapsed);
    EXPECT_GT(after, 0.0) << "no processor time read for the program";
    EXPECT_LT(used / elapsed, 0.5);
}
