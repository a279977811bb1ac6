// Runs with the program's own resources linked in, as the shipped executable carries them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "info/version_info.h"
#include "tests/support/recording_app.h"

namespace {

const char kRights[] = "Copyright (C) 2026 the Quorvel developers";

HMODULE Self() { return GetModuleHandleA(nullptr); }

// The version resource of this executable as a new reading would find it now, straight from the
// platform; empty texts where a query fails.
struct FreshReading {
    std::string version;
    std::string name;
};

FreshReading ReadVersionResourceAfresh() {
    FreshReading reading;
    char path[MAX_PATH];
    DWORD pathLength = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (pathLength == 0 || pathLength >= sizeof(path)) return reading;
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &unused);
    if (size == 0) return reading;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return reading;
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        reading.version = std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
                          std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
                          std::to_string(HIWORD(fixed->dwProductVersionLS)) + "." +
                          std::to_string(LOWORD(fixed->dwProductVersionLS));
    }
    if (VerQueryValueA(block.data(), "StringFileInfo\\040704E4\\ProductName", &value, &length) &&
        length != 0)
        reading.name.assign(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
    return reading;
}

// Changes this executable's version resource in the loaded image, which is where the platform
// finds it when the running program asks for its own version information: every "Q" of its
// texts becomes "X" and the product version's last part 7. Undone when the object goes.
class LoadedVersionResourceChange {
public:
    LoadedVersionResourceChange() {
        HRSRC info = FindResourceA(Self(), MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
        HGLOBAL loaded = info ? LoadResource(Self(), info) : nullptr;
        m_data = loaded ? static_cast<BYTE*>(LockResource(loaded)) : nullptr;
        m_size = info ? SizeofResource(Self(), info) : 0;
        if (!m_data || m_size < 92) return;
        m_original.assign(m_data, m_data + m_size);
        if (!VirtualProtect(m_data, m_size, PAGE_READWRITE, &m_protection)) return;
        m_writable = true;
        for (DWORD i = 0; i + 1 < m_size; i += 2)
            if (m_data[i] == 'Q' && m_data[i + 1] == 0) m_data[i] = 'X';
        // The fixed part follows the root's key "VS_VERSION_INFO" at offset 40.
        VS_FIXEDFILEINFO* fixed = reinterpret_cast<VS_FIXEDFILEINFO*>(m_data + 40);
        if (fixed->dwSignature != VS_FFI_SIGNATURE) return;
        fixed->dwProductVersionLS = (fixed->dwProductVersionLS & 0xFFFF0000) | 7;
        m_applied = true;
    }
    ~LoadedVersionResourceChange() {
        if (!m_writable) return;
        std::memcpy(m_data, m_original.data(), m_size);
        DWORD unused;
        VirtualProtect(m_data, m_size, m_protection, &unused);
    }
    bool Applied() const { return m_applied; }

private:
    BYTE* m_data = nullptr;
    DWORD m_size = 0;
    std::vector<BYTE> m_original;
    DWORD m_protection = 0;
    bool m_writable = false;
    bool m_applied = false;
};

}  // namespace

TEST(VersionInfoShipped, TextsOfTheShippedResource) {
    for (int call = 0; call < 3; ++call) {
        CString version = GetProductVersion();
        CString name = GetProductName();
        CString rights = GetLegalCopyright();
        EXPECT_STREQ(version, "0.5.0.0") << "call " << call;
        EXPECT_EQ(version.GetLength(), 7);
        EXPECT_STREQ(name, "Quorvel") << "call " << call;
        EXPECT_EQ(name.GetLength(), 7) << "the terminating zero is not part of the text";
        EXPECT_STREQ(rights, kRights) << "call " << call;
        EXPECT_EQ(rights.GetLength(), (int)std::strlen(kRights));
    }
    EXPECT_EQ(TestApp().BoxCount(), 0u);
}

TEST(VersionInfoShipped, CallersMayChangeTheirCopies) {
    CString name = GetProductName();
    char* text = name.GetBuffer(name.GetLength());
    text[0] = 'X';
    name.ReleaseBuffer();
    EXPECT_STREQ(name, "Xuorvel");
    EXPECT_STREQ(GetProductName(), "Quorvel");

    CString version = GetProductVersion();
    version += " changed";
    EXPECT_STREQ(GetProductVersion(), "0.5.0.0");
}

TEST(VersionInfoOnce, LaterCallsDoNotReadTheResourceAgain) {
    ASSERT_STREQ(GetProductVersion(), "0.5.0.0");  // the first call reads, as at start-up

    LoadedVersionResourceChange change;
    ASSERT_TRUE(change.Applied());
    FreshReading fresh = ReadVersionResourceAfresh();
    ASSERT_EQ(fresh.version, "0.5.0.7") << "a new reading must see the change, or this test proves nothing";
    ASSERT_EQ(fresh.name, "Xuorvel");

    for (int call = 0; call < 2; ++call) {
        EXPECT_STREQ(GetProductName(), "Quorvel") << "call " << call;
        EXPECT_STREQ(GetLegalCopyright(), kRights) << "call " << call;
        EXPECT_STREQ(GetProductVersion(), "0.5.0.0") << "call " << call;
        LoadVersionInfo();
    }
}
