#include "ui/homepage_link.h"

#include "ui/homepage.h"
#include "ui/link_button.h"

void ConfigureHomepageLink(CHButton& link, HCURSOR linkCursor) {
    link.SetLinkCursor(linkCursor);
    link.SetUnderlineMode(2);
    link.SetHoverColor(RGB(50, 128, 255), 1);
    link.SetToolTipText("visit homepage for updates and documentation", 1);
    link.SetWindowText(MakerWebHost());
}
