#pragma once
// Redirects the calls that the code linked into this program makes to one function of a DLL:
// every such call goes through the program's import table, whose slot is overwritten for the
// life of the object. What the platform does for everybody else is unchanged.
#include <windows.h>

class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, const void* replacement);
    ~ImportPatch();  // puts the original address back

    // False when the program does not import the function (nothing was changed).
    bool Applied() const { return m_slot != nullptr; }
    template <class Function>
    Function Original() const {
        return reinterpret_cast<Function>(m_original);
    }

    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

private:
    void** m_slot = nullptr;
    void* m_original = nullptr;
};
