// The program's resources as the resource compiler built them, read back from this executable,
// which links them in as the shipped program does.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "framework/afxstring.h"
#include "res/resource.h"

namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }

}  // namespace

TEST(ShippedResources, InfoMenuEntryInCodePage1252) {
    ASSERT_EQ(GetACP(), 1252u) << "the narrow texts are checked in code page 1252";
    const char expected[] = "&Info \xFC" "ber Quorvel...";
    const int expectedLength = (int)sizeof(expected) - 1;

    char narrow[64];
    std::memset(narrow, 0xAA, sizeof(narrow));
    ASSERT_EQ(LoadStringA(Self(), IDS_ABOUTBOX, narrow, sizeof(narrow)), expectedLength);
    EXPECT_EQ(std::string(narrow, expectedLength + 1), std::string(expected, expectedLength + 1));
    EXPECT_EQ((unsigned char)narrow[6], 0xFC);
    EXPECT_EQ((unsigned char)narrow[expectedLength + 1], 0xAA);

    WCHAR wide[64];
    std::memset(wide, 0xAA, sizeof(wide));
    ASSERT_EQ(LoadStringW(Self(), IDS_ABOUTBOX, wide, 64), expectedLength);
    EXPECT_EQ(wide[6], 0x00FC);
    EXPECT_EQ(wide[expectedLength], 0);
    EXPECT_EQ(std::wstring(wide), std::wstring(L"&Info \u00FCber Quorvel..."));

    // The program holds it in UTF-8, whatever the code page.
    CString loaded("(unread)");
    ASSERT_TRUE(loaded.LoadString(IDS_ABOUTBOX));
    EXPECT_STREQ(loaded, "&Info über Quorvel...");
    EXPECT_FALSE(loaded.LoadString(0xBEEF)) << "no such string";
    EXPECT_STREQ(loaded, "");
}

namespace {

// What the test reads back from a compiled DIALOGEX template.
struct DialogControl {
    int id;
    std::wstring className;  // upper case; the predefined classes may come as atoms
    std::wstring text;       // an ordinal (an icon's resource id) as "#128"
    short x, y, width, height;
    DWORD style;
    DWORD exStyle;
};

struct DialogTemplate {
    DWORD style = 0xdeadbeef;
    DWORD exStyle = 0xdeadbeef;
    short width = -1;
    short height = -1;
    std::wstring title = L"(unread)";
    WORD pointSize = 0xbeef;
    std::wstring face = L"(unread)";
    std::vector<DialogControl> controls;
};

// A string or an ordinal field of a template; moves the cursor past it.
std::wstring ReadNameOrOrdinal(const WORD*& field) {
    if (*field == 0xFFFF) {
        std::wstring ordinal = L"#" + std::to_wstring(field[1]);
        field += 2;
        return ordinal;
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(field));
    field += text.size() + 1;
    return text;
}

std::wstring ClassName(std::wstring name) {
    if (name == L"#128") return L"BUTTON";
    if (name == L"#130") return L"STATIC";
    if (name == L"#131") return L"LISTBOX";
    for (wchar_t& c : name) c = (wchar_t)towupper(c);
    return name;
}

template <typename T>
T Take(const BYTE*& data) {
    T value;
    std::memcpy(&value, data, sizeof(T));
    data += sizeof(T);
    return value;
}

::testing::AssertionResult ReadDialog(UINT id, DialogTemplate& dialog) {
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(id), RT_DIALOG);
    if (!found) return ::testing::AssertionFailure() << "no dialog template " << id;
    const BYTE* start = static_cast<const BYTE*>(LockResource(LoadResource(Self(), found)));
    const BYTE* data = start;
    if (!data || Take<WORD>(data) != 1 || Take<WORD>(data) != 0xFFFF)
        return ::testing::AssertionFailure() << "template " << id << " is not an extended one";
    Take<DWORD>(data);  // help id
    dialog.exStyle = Take<DWORD>(data);
    dialog.style = Take<DWORD>(data);
    WORD count = Take<WORD>(data);
    Take<short>(data);
    Take<short>(data);
    dialog.width = Take<short>(data);
    dialog.height = Take<short>(data);
    const WORD* field = reinterpret_cast<const WORD*>(data);
    ReadNameOrOrdinal(field);  // menu
    ReadNameOrOrdinal(field);  // class
    dialog.title = ReadNameOrOrdinal(field);
    dialog.pointSize = field[0];
    field += 3;  // point size, weight, italic and character set
    dialog.face = ReadNameOrOrdinal(field);
    for (WORD i = 0; i < count; ++i) {
        data = start + ((reinterpret_cast<const BYTE*>(field) - start + 3) & ~3);
        DialogControl control;
        Take<DWORD>(data);  // help id
        control.exStyle = Take<DWORD>(data);
        control.style = Take<DWORD>(data);
        control.x = Take<short>(data);
        control.y = Take<short>(data);
        control.width = Take<short>(data);
        control.height = Take<short>(data);
        control.id = Take<int>(data);
        field = reinterpret_cast<const WORD*>(data);
        control.className = ClassName(ReadNameOrOrdinal(field));
        control.text = ReadNameOrOrdinal(field);
        WORD extra = *field++;
        field = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(field) + extra);
        dialog.controls.push_back(control);
    }
    return ::testing::AssertionSuccess();
}

// One control as the template should have it; a null text is a placeholder set at run time.
struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    short x, y, width, height;
    DWORD style;  // besides WS_CHILD | WS_VISIBLE
    DWORD exStyle;
};

void ExpectControls(const DialogTemplate& dialog, const std::vector<ExpectedControl>& expected) {
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const DialogControl& got = dialog.controls[i];
        const ExpectedControl& want = expected[i];
        SCOPED_TRACE(testing::Message() << "control " << i << ", id " << want.id);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.className, want.className);
        if (want.text) {
            EXPECT_EQ(got.text, want.text);
        }
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        EXPECT_EQ(got.style, want.style | WS_CHILD | WS_VISIBLE);
        EXPECT_EQ(got.exStyle, want.exStyle);
    }
}

}  // namespace

// The resource compiler drops a control's default styles (such as WS_GROUP of a text) as soon as
// any style is given, and ignores the size of an ICON statement; this reads back what it built.
TEST(ShippedResources, DialogTemplates) {
    const DWORD kFontStyles = DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME;
    const DWORD kText = SS_LEFT | WS_GROUP;
    const DWORD kLink = BS_OWNERDRAW | BS_LEFT | WS_TABSTOP;

    DialogTemplate meter;
    ASSERT_TRUE(ReadDialog(IDD_METER, meter));
    EXPECT_EQ(meter.title, L"Quorvel");
    EXPECT_EQ(meter.width, 329);
    EXPECT_EQ(meter.height, 57);
    EXPECT_EQ(meter.style, kFontStyles | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(meter.exStyle, (DWORD)WS_EX_APPWINDOW);
    EXPECT_EQ(meter.pointSize, 8);
    EXPECT_EQ(meter.face, L"MS Shell Dlg");
    ExpectControls(meter, {
        {IDC_ACTIVITY, L"STATIC", L"run", 0, 4, 16, 17, kText, WS_EX_STATICEDGE},
        {IDC_BAR_LEFT, L"STATIC", L"Level Left", 20, 4, 307, 8, kText, WS_EX_STATICEDGE},
        {IDC_BAR_RIGHT, L"STATIC", L"Level Right", 20, 13, 307, 8, kText, WS_EX_STATICEDGE},
        {IDC_MAX_LEFT, L"STATIC", nullptr, 0, 22, 46, 8, kText, WS_EX_STATICEDGE},
        {IDC_MAX_RIGHT, L"STATIC", nullptr, 0, 30, 46, 8, kText, WS_EX_STATICEDGE},
        {IDC_VALUE_LEFT, L"STATIC", nullptr, 49, 22, 46, 8, kText, WS_EX_STATICEDGE},
        {IDC_VALUE_RIGHT, L"STATIC", nullptr, 49, 30, 46, 8, kText, WS_EX_STATICEDGE},
        {IDC_RESET_MAX, L"BUTTON", L"Reset Max", 96, 22, 68, 16, BS_PUSHBUTTON | WS_TABSTOP, 0},
        {IDC_DEVICE_LIST, L"LISTBOX", L"", 165, 21, 162, 35,
         LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 0},
        {IDC_VERSION, L"STATIC", L"Version", 0, 49, 75, 8, kText, 0},
        {IDC_HOMEPAGE, L"BUTTON", nullptr, 84, 48, 80, 9, kLink, 0},
        {IDC_FORMAT_NAME, L"STATIC", L"waveformat", 0, 40, 164, 8, kText, 0},
    });

    DialogTemplate info;
    ASSERT_TRUE(ReadDialog(IDD_INFO, info));
    EXPECT_EQ(info.title, L"Info \u00FCber Quorvel");
    EXPECT_EQ(info.width, 235);
    EXPECT_EQ(info.height, 55);
    EXPECT_EQ(info.style, kFontStyles | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(info.exStyle, 0u);
    EXPECT_EQ(info.pointSize, 8);
    EXPECT_EQ(info.face, L"MS Shell Dlg");
    ExpectControls(info, {
        {IDC_STATIC, L"STATIC", L"#128", 11, 17, 20, 20, SS_ICON, 0},
        {IDC_INFO_TITLE, L"STATIC", L"Quorvel Version", 37, 10, 140, 8, SS_NOPREFIX | WS_GROUP, 0},
        {IDC_INFO_COPYRIGHT, L"STATIC", nullptr, 40, 25, 137, 8, kText, 0},
        {IDOK, L"BUTTON", L"OK", 178, 7, 50, 16, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
        {IDC_INFO_LINK, L"BUTTON", nullptr, 37, 36, 61, 12, kLink, 0},
    });
}

TEST(ShippedResources, IconInThreeSizes) {
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON);
    ASSERT_NE(found, nullptr);
    const BYTE* group = static_cast<const BYTE*>(LockResource(LoadResource(Self(), found)));
    ASSERT_NE(group, nullptr);
    WORD type, count;
    std::memcpy(&type, group + 2, 2);
    std::memcpy(&count, group + 4, 2);
    EXPECT_EQ(type, 1);
    ASSERT_EQ(count, 3);
    const int sizes[] = {16, 32, 48};
    for (int i = 0; i < 3; ++i) {
        const BYTE* entry = group + 6 + 14 * i;  // width, height, colours, reserved, planes, bits, bytes, id
        WORD bits;
        std::memcpy(&bits, entry + 6, 2);
        EXPECT_EQ(entry[0], sizes[i]);
        EXPECT_EQ(entry[1], sizes[i]);
        EXPECT_EQ(bits, 32);
    }
    EXPECT_NE(LoadIconA(Self(), MAKEINTRESOURCEA(IDR_MAINFRAME)), nullptr);
}

TEST(ShippedResources, LinkCursorPointsWithTheFingertip) {
    ASSERT_NE(FindResourceA(Self(), MAKEINTRESOURCEA(IDC_LINK_CURSOR), RT_GROUP_CURSOR), nullptr);
    HCURSOR cursor = LoadCursorA(Self(), MAKEINTRESOURCEA(IDC_LINK_CURSOR));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info;
    std::memset(&info, 0xAA, sizeof(info));
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.hbmColor, nullptr) << "a monochrome cursor";

    // The monochrome bitmap: AND mask in the upper 32 rows, XOR image in the lower 32.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } format = {};
    format.header.biSize = sizeof(BITMAPINFOHEADER);
    format.header.biWidth = 32;
    format.header.biHeight = -64;  // top row first
    format.header.biPlanes = 1;
    format.header.biBitCount = 1;
    DWORD rows[64];
    std::memset(rows, 0xAA, sizeof(rows));
    HDC screen = GetDC(nullptr);
    int copied = GetDIBits(screen, info.hbmMask, 0, 64, rows, reinterpret_cast<BITMAPINFO*>(&format),
                           DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmMask);
    ASSERT_EQ(copied, 64);

    auto bit = [&](int row, int x) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&rows[row]);
        return (bytes[x / 8] >> (7 - x % 8)) & 1;
    };
    auto drawn = [&](int x, int y) { return bit(y, x) == 0 || bit(32 + y, x) == 1; };
    ASSERT_LT(info.xHotspot, 32u);
    ASSERT_LT(info.yHotspot, 32u);
    EXPECT_TRUE(drawn(info.xHotspot, info.yHotspot)) << "the hot spot lies on the hand";
    for (DWORD y = 0; y < info.yHotspot; ++y)
        for (int x = 0; x < 32; ++x) EXPECT_FALSE(drawn(x, y)) << "nothing above the fingertip: " << x << "," << y;
}

TEST(ShippedResources, Manifest) {
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(Self(), found)));
    ASSERT_NE(text, nullptr);
    std::string manifest(text, SizeofResource(Self(), found));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}
