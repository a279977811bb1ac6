// The info dialog: opened by the system menu entry (and every command id that masks to it),
// it shows the product, version and rights line of the version resource while the meter keeps
// measuring behind it; both link buttons hand the download address to the browser.
#include <cstdio>
#include <vector>

#include "res/resource.h"
#include "tests/support/threads.h"
#include "tests/ui/meter_test.h"
#include "tests/ui/registry_value.h"
#include "tests/ui/session_scripts.h"

#ifndef QUORVEL_WEB_HOST
#error "QUORVEL_WEB_HOST must name the maker's web host"
#endif

namespace {

// A string value of the first translation of a program file's version resource.
std::string VersionString(const std::string& path, const char* name) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return "(no version resource)";
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return "(unreadable version resource)";
    WORD* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return "(no translation)";
    char subBlock[80];
    std::snprintf(subBlock, sizeof(subBlock), "\\StringFileInfo\\%04X%04X\\%s", translation[0], translation[1], name);
    char* value = nullptr;
    if (!VerQueryValueA(block.data(), subBlock, reinterpret_cast<void**>(&value), &length) || !value) return "";
    return value;
}

class MeterInfoDialog : public MeterTest {
protected:
    // Sends the system command the way the system menu does and waits for the info dialog.
    HWND OpenInfo(WPARAM command, DWORD timeoutMs) {
        if (!PostMessageA(meter.Window(), WM_SYSCOMMAND, command, 0)) return nullptr;
        return meter.WaitForOtherDialog(timeoutMs);
    }

    void CloseInfo(HWND info) {
        ASSERT_TRUE(meter.PostClick(GetDlgItem(info, IDOK)));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(info); }, 5000)) << "the info dialog does not close";
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(meter.Window()) != FALSE; }, 2000))
            << "the meter stays disabled after the info dialog";
    }
};

}  // namespace

TEST_F(MeterInfoDialog, OpensFromTheSystemMenuEntry) {
    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_NO_FATAL_FAILURE(WaitForCaptureRunning());
    std::string rights = VersionString(ProgramWindowsPath(), "LegalCopyright");
    ASSERT_FALSE(rights.empty()) << "the program carries no LegalCopyright";

    for (WPARAM command : {(WPARAM)IDM_ABOUTBOX, (WPARAM)(IDM_ABOUTBOX | 0xF)}) {
        SCOPED_TRACE("system command " + std::to_string(command));
        HWND info = OpenInfo(command, 5000);
        ASSERT_NE(info, nullptr) << "no info dialog";
        EXPECT_EQ(WindowText(GetDlgItem(info, IDC_INFO_TITLE)), "Quorvel Version 0.5.0.0");
        EXPECT_EQ(WindowText(GetDlgItem(info, IDC_INFO_COPYRIGHT)), rights);
        EXPECT_FALSE(IsWindowEnabled(meter.Window())) << "the meter takes no input while the info dialog is open";

        // The meter goes on measuring behind it.
        LONG left = command == IDM_ABOUTBOX ? 150 : 60, right = command == IDM_ABOUTBOX ? 30 : 170;
        ASSERT_NO_FATAL_FAILURE(PlayTone(left, right));
        ASSERT_TRUE(IsWindow(info) && IsWindowVisible(info));
        ASSERT_NO_FATAL_FAILURE(CloseInfo(info));
    }

    // The next command id no longer masks to the entry.
    ASSERT_EQ(OpenInfo(IDM_ABOUTBOX + 0x10, 1500), nullptr) << "command 32 must not open the info dialog";
    EXPECT_TRUE(meter.Answers());
    EXPECT_TRUE(IsWindowEnabled(meter.Window()));
}

TEST_F(MeterInfoDialog, LinksOpenTheDownloadAddress) {
    ScopedRegistryValue browsers(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Browsers");
    ASSERT_TRUE(browsers.SetString(std::string(QUORVEL_UI_SCRIPTS) + "/record_browser.sh"));
    DeleteFileA(WindowsPathOf(SessionFile("browser.log")).c_str());  // result deliberately ignored: may be absent
    const std::string expected = std::string("http://") + QUORVEL_WEB_HOST +
                                 "/software/download/index.php?Software=Quorvel&CurrentVersion=0.5.0.0";
    ASSERT_EQ(expected.compare(0, 26, "http://www.quorvel.example"), 0) << expected;

    ASSERT_NO_FATAL_FAILURE(StartMeter());
    ASSERT_TRUE(meter.Click(meter.Control(IDC_HOMEPAGE)));
    ASSERT_TRUE(WaitUntil([&] { return BrowserAddresses().size() >= 1; }, 10000)) << "no address reached the browser";

    HWND info = OpenInfo(IDM_ABOUTBOX, 5000);
    ASSERT_NE(info, nullptr) << "no info dialog";
    ASSERT_TRUE(meter.Click(GetDlgItem(info, IDC_INFO_LINK)));
    ASSERT_TRUE(WaitUntil([&] { return BrowserAddresses().size() >= 2; }, 10000))
        << "the info dialog's link opened nothing";
    Sleep(500);
    EXPECT_TRUE(IsWindow(info) && IsWindowVisible(info)) << "the info dialog stays open after its link";
    std::vector<std::string> addresses = BrowserAddresses();
    ASSERT_EQ(addresses.size(), 2u);
    for (const std::string& address : addresses) {
        std::printf("browser asked to open %s\n", address.c_str());
        EXPECT_EQ(address, expected);
    }
    ASSERT_NO_FATAL_FAILURE(CloseInfo(info));
    EXPECT_TRUE(browsers.Restore());
}
