#include <gtest/gtest.h>

#include <string>

#include "ui/homepage.h"
#include "ui/link_caption.h"

namespace {

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

}  // namespace

TEST(LinkButton, SizesItselfAroundItsCentre) {
    const RECT template_ = {100, 50, 200, 70};
    EXPECT_EQ(Rect(LinkButtonRect(template_, {100, 13})), "98,52 104x16");
    EXPECT_EQ(Rect(LinkButtonRect(template_, {101, 13})), "98,52 104x16") << "odd width: same rectangle";
    // Drawn again at the new size: the caption lands at (2, 2) and the rectangle stays put.
    RECT moved = LinkButtonRect(template_, {100, 13});
    RECT item = {0, 0, moved.right - moved.left, moved.bottom - moved.top};
    POINT origin = LinkCaptionOrigin(item, {0, 0, 100, 13});
    EXPECT_EQ(origin.x, 2);
    EXPECT_EQ(origin.y, 2);
    // Ink one pixel left of the drawing origin: the origin moves right so the ink starts at 2.
    origin = LinkCaptionOrigin(item, {-1, 0, 100, 13});
    EXPECT_EQ(origin.x, 3);
    EXPECT_EQ(Rect(LinkButtonRect(moved, {100, 13})), "98,52 104x16");
    EXPECT_EQ(Rect(LinkButtonRect(moved, {101, 13})), "98,52 104x16");
    // The first drawing centres the caption in the template's rectangle.
    origin = LinkCaptionOrigin({0, 0, 100, 20}, {0, 0, 100, 13});
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 4);
    // An empty caption still gets its margins.
    RECT empty = LinkButtonRect(template_, {0, 13});
    EXPECT_EQ(empty.right - empty.left, 4);
    EXPECT_EQ(empty.bottom - empty.top, 16);
    // Negative coordinates halve toward zero, as the platform's integer division does.
    EXPECT_EQ(Rect(LinkButtonRect({-11, -3, 0, 0}, {3, 3})), "-8,-4 6x6");
}

TEST(LinkButton, CaptionColourAndUnderline) {
    const COLORREF link = RGB(0, 0, 255), hover = RGB(50, 128, 255);
    EXPECT_EQ(LinkCaptionColour(0, 1, link, hover), link);
    EXPECT_EQ(LinkCaptionColour(1, 1, link, hover), hover);
    EXPECT_EQ(LinkCaptionColour(1, 0, link, hover), link) << "hover colour not enabled";
    EXPECT_EQ(LinkCaptionColour(0, 0, link, hover), link);

    for (int hovering : {0, 1}) {
        EXPECT_TRUE(LinkCaptionUnderlined(1, hovering)) << "mode 1: always";
        EXPECT_EQ(LinkCaptionUnderlined(2, hovering), hovering == 1) << "mode 2: while hovering";
        EXPECT_FALSE(LinkCaptionUnderlined(0, hovering));
        EXPECT_FALSE(LinkCaptionUnderlined(7, hovering));
        EXPECT_FALSE(LinkCaptionUnderlined(-1, hovering));
    }
}

TEST(LinkButton, DownloadAddressIsNotEscaped) {
    EXPECT_STREQ(BuildDownloadAddress("www.quorvel.example", "Quorvel", "0.5.0.0"),
                 "http://www.quorvel.example/software/download/index.php?Software=Quorvel&CurrentVersion=0.5.0.0");
    EXPECT_STREQ(BuildDownloadAddress("h", "Quor vel & Co", "1.2 beta"),
                 "http://h/software/download/index.php?Software=Quor vel & Co&CurrentVersion=1.2 beta");
    EXPECT_STREQ(BuildDownloadAddress("h", "", ""), "http://h/software/download/index.php?Software=&CurrentVersion=");
    EXPECT_STREQ(MakerWebHost(), QUORVEL_WEB_HOST) << "the host the build was configured with";
}
