#include "tests/ui/registry_value.h"

ScopedRegistryValue::ScopedRegistryValue(HKEY root, const char* subKey, const char* valueName)
    : m_root(root), m_subKey(subKey), m_valueName(valueName) {}

bool ScopedRegistryValue::Write(DWORD type, const BYTE* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(m_root, m_subKey.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    if (!m_saved) {
        DWORD size0 = 0;
        m_existed = RegQueryValueExA(key, m_valueName.c_str(), nullptr, &m_oldType, nullptr, &size0) == ERROR_SUCCESS;
        if (m_existed) {
            m_oldData.resize(size0);
            if (RegQueryValueExA(key, m_valueName.c_str(), nullptr, &m_oldType, m_oldData.data(), &size0) !=
                ERROR_SUCCESS) {
                RegCloseKey(key);
                return false;
            }
            m_oldData.resize(size0);
        }
        m_saved = true;
    }
    LONG written = RegSetValueExA(key, m_valueName.c_str(), 0, type, data, size);
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

bool ScopedRegistryValue::SetString(const std::string& value) {
    return Write(REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), (DWORD)value.size() + 1);
}

bool ScopedRegistryValue::SetDword(DWORD value) {
    return Write(REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

bool ScopedRegistryValue::Restore() {
    if (!m_saved) return true;
    HKEY key;
    if (RegOpenKeyExA(m_root, m_subKey.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    LONG result = m_existed ? RegSetValueExA(key, m_valueName.c_str(), 0, m_oldType, m_oldData.data(),
                                             (DWORD)m_oldData.size())
                            : RegDeleteValueA(key, m_valueName.c_str());
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return false;
    m_saved = false;
    return true;
}
