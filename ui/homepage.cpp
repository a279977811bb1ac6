#include "ui/homepage.h"

#include <shellapi.h>

#include "framework/afxconv.h"
#include "framework/afxwnd.h"
#include "info/version_info.h"

#ifndef QUORVEL_WEB_HOST
#error "QUORVEL_WEB_HOST must be defined by the build"
#endif

const char* MakerWebHost() { return QUORVEL_WEB_HOST; }

CString BuildDownloadAddress(const char* host, const char* productName, const char* productVersion) {
    CString address("http://");
    address += host;
    address += "/software/download/index.php?Software=";
    address += productName;
    address += "&CurrentVersion=";
    address += productVersion;
    return address;
}

CString HomepageAddress() { return BuildDownloadAddress(MakerWebHost(), GetProductName(), GetProductVersion()); }

void OpenHomepage(CWnd* owner) {
    CString address = HomepageAddress();
    // result deliberately ignored: without a browser nothing visible happens
    ::ShellExecuteW(owner ? owner->m_hWnd : nullptr, L"Open", AfxToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
