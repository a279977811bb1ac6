#pragma once
// CCriticalSection and CSingleLock: a short mutual exclusion between threads of one process.
#include <windows.h>

class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&m_section); }
    ~CCriticalSection() { DeleteCriticalSection(&m_section); }
    void Lock() { EnterCriticalSection(&m_section); }
    void Unlock() { LeaveCriticalSection(&m_section); }

    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

private:
    CRITICAL_SECTION m_section;
};

// Holds the section from construction to destruction.
class CSingleLock {
public:
    explicit CSingleLock(CCriticalSection& section) : m_section(section) { m_section.Lock(); }
    ~CSingleLock() { m_section.Unlock(); }

    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CCriticalSection& m_section;
};
