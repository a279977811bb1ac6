#include "ui/link_caption.h"

RECT LinkButtonRect(const RECT& windowInParent, SIZE caption) {
    LONG halfWidth = caption.cx / 2, halfHeight = caption.cy / 2;
    LONG centreX = (windowInParent.left + windowInParent.right) / 2;
    LONG centreY = (windowInParent.top + windowInParent.bottom) / 2;
    RECT rect = {centreX - halfWidth - 2, centreY - halfHeight - 2, centreX + halfWidth + 2, centreY + halfHeight + 2};
    return rect;
}

POINT LinkCaptionOrigin(const RECT& item, const RECT& drawnBox) {
    LONG width = drawnBox.right - drawnBox.left, height = drawnBox.bottom - drawnBox.top;
    POINT origin = {(item.left + item.right) / 2 - width / 2 - drawnBox.left,
                    (item.top + item.bottom) / 2 - height / 2 - drawnBox.top};
    return origin;
}

bool LinkCaptionUnderlined(int underlineMode, int hovering) {
    return underlineMode == 1 || (underlineMode == 2 && hovering == 1);
}

COLORREF LinkCaptionColour(int hovering, int hoverColourEnabled, COLORREF linkColour, COLORREF hoverColour) {
    return hovering == 1 && hoverColourEnabled ? hoverColour : linkColour;
}
