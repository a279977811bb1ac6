#pragma once
// A registry value of the Wine prefix that a test changes for the program it starts, and puts
// back as it was (or removes again) when the test is done, whatever happened in between.
#include <windows.h>

#include <string>
#include <vector>

class ScopedRegistryValue {
public:
    ScopedRegistryValue(HKEY root, const char* subKey, const char* valueName);
    ~ScopedRegistryValue() { Restore(); }
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

    bool SetString(const std::string& value);
    bool SetDword(DWORD value);
    // Puts the old value back, or deletes the value when there was none; true when done.
    bool Restore();

private:
    bool Write(DWORD type, const BYTE* data, DWORD size);

    HKEY m_root;
    std::string m_subKey;
    std::string m_valueName;
    bool m_saved = false;
    bool m_existed = false;
    DWORD m_oldType = 0;
    std::vector<BYTE> m_oldData;
};
