#include "tests/ui/bar_picture.h"

#include <sstream>


namespace {

std::string NameOf(COLORREF colour) {
    switch (colour) {
        case kGreen: return "green";
        case kYellow: return "yellow";
        case kRed: return "red";
        case kBlack: return "black";
        case kGrey: return "grey";
        case kMarker: return "marker";
        default: return ColourName(colour);
    }
}

}  // namespace

LONG BarX(LONG width, LONG value) { return width * value / 256; }

bool IsBarColour(COLORREF colour) {
    return colour == kGreen || colour == kYellow || colour == kRed || colour == kBlack || colour == kGrey ||
           colour == kMarker;
}

std::vector<COLORREF> SettledBarRow(LONG width, LONG level, LONG heldMaximum) {
    // Yellow from 80 % of the width, red from 95 %, whole pixels, as the user's guide says.
    const LONG yellowFrom = width * 80 / 100, redFrom = width * 95 / 100;
    LONG levelEnd = BarX(width, level);
    LONG maximumPosition = BarX(width, heldMaximum);
    // The marker falls one pixel per tick until it meets the level's end, and stays there.
    LONG marker = levelEnd;
    std::vector<COLORREF> row((size_t)width);
    for (LONG x = 0; x < width; ++x) {
        COLORREF colour;
        if (x < levelEnd) colour = x < yellowFrom ? kGreen : x < redFrom ? kYellow : kRed;
        else if (x == marker) colour = kMarker;
        else if (x < maximumPosition) colour = kBlack;
        else colour = kGrey;
        row[(size_t)x] = colour;
    }
    return row;
}

std::vector<COLORREF> ActivityRow(DWORD blockCount, DWORD width) {
    std::vector<COLORREF> row(width, kBlack);
    for (DWORD i = 0; i < 4 && width; ++i) row[(blockCount + 2 * i) % width] = kMarker;
    return row;
}

std::vector<COLORREF> PictureRow(const Screenshot& picture, int y, int left, int right) {
    std::vector<COLORREF> row;
    for (int x = left; x < right; ++x) row.push_back(picture.Pixel(x, y));
    return row;
}

std::string DescribeRow(const std::vector<COLORREF>& row) {
    std::ostringstream text;
    size_t start = 0;
    for (size_t x = 1; x <= row.size(); ++x) {
        if (x < row.size() && row[x] == row[start]) continue;
        if (start) text << ", ";
        text << NameOf(row[start]) << " " << start;
        if (x - 1 > start) text << "-" << x - 1;
        start = x;
    }
    return text.str();
}

std::string CompareRows(const Screenshot& picture, const RECT& screenRect, const std::vector<COLORREF>& row) {
    if ((LONG)row.size() != screenRect.right - screenRect.left) return "the row is not as wide as the rectangle";
    int wrongPixels = 0;
    std::ostringstream text;
    for (int y = screenRect.top; y < screenRect.bottom; ++y) {
        std::vector<COLORREF> seen = PictureRow(picture, y, screenRect.left, screenRect.right);
        if (seen == row) continue;
        for (size_t x = 0; x < row.size(); ++x) wrongPixels += seen[x] != row[x];
        if (text.tellp() == 0)
            text << "row " << y - screenRect.top << " shows: " << DescribeRow(seen) << "\nexpected: " << DescribeRow(row);
    }
    if (wrongPixels) text << "\n" << wrongPixels << " pixels differ";
    return text.str();
}

bool ReadActivityMarks(const Screenshot& picture, const RECT& strip, std::vector<LONG>* marks, std::string* seen) {
    marks->clear();
    std::vector<COLORREF> first = PictureRow(picture, strip.top, strip.left, strip.right);
    *seen = DescribeRow(first);
    for (int y = strip.top + 1; y < strip.bottom; ++y)
        if (PictureRow(picture, y, strip.left, strip.right) != first) return false;
    for (size_t x = 0; x < first.size(); ++x) {
        if (first[x] == kMarker) marks->push_back((LONG)x);
        else if (first[x] != kBlack) return false;
    }
    return !first.empty();
}
