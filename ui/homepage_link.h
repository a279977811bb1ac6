#pragma once
// The link buttons to the download page, in the meter window and in the info dialog.
#include <windows.h>

class CHButton;

// Both look and behave alike: link cursor, underlined only while hovered, the hover colour, the
// tooltip, and the maker's web host as caption, set in this order.
void ConfigureHomepageLink(CHButton& link, HCURSOR linkCursor);
