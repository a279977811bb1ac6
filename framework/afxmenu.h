#pragma once
// CMenu: a menu handle the object does not own (such as a window's system menu).
#include <windows.h>

#include "framework/afxconv.h"

class CMenu {
public:
    explicit CMenu(HMENU menu = nullptr) : m_hMenu(menu) {}
    HMENU m_hMenu;
    bool IsValid() const { return m_hMenu != nullptr; }
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr) {
        if (!text) return ::AppendMenuW(m_hMenu, flags, id, nullptr);
        return ::AppendMenuW(m_hMenu, flags, id, AfxToWide(text).c_str());
    }
};
