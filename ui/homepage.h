#pragma once
// The maker's download page, the program's only outward action.
#include "framework/afxstring.h"

class CWnd;

// The maker's web host, fixed when the program is built.
const char* MakerWebHost();

// "http://" host "/software/download/index.php?Software=" name "&CurrentVersion=" version,
// with name and version inserted exactly as they are.
CString BuildDownloadAddress(const char* host, const char* productName, const char* productVersion);

// The download address of this program: its product name and version from its version resource.
CString HomepageAddress();

// Hands the download address of this program to the shell; owner may be null. A failure (no
// browser) is not reported.
void OpenHomepage(CWnd* owner);

