#pragma once
// The product version, product name and rights line, read from the running executable's own
// version resource on first use and kept for the rest of the run. Empty texts when the
// executable carries no usable version resource; nothing is ever reported to the user.
#include "framework/afxstring.h"

// Reads the version resource on the first call; every later call does nothing.
void LoadVersionInfo();

// Four decimal numbers joined by points ("0.5.0.0"), from the fixed part of the resource.
CString GetProductVersion();
// The ProductName and LegalCopyright string values of the resource's first translation.
CString GetProductName();
CString GetLegalCopyright();
