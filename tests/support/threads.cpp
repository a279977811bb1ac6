#include "tests/support/threads.h"

#include <tlhelp32.h>

std::set<DWORD> ProcessThreadIds() {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry;
    entry.dwSize = sizeof(entry);
    DWORD process = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == process) ids.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

int CountProcessThreads() { return (int)ProcessThreadIds().size(); }

DWORD WINAPI FailingResumeThread(HANDLE) {
    Sleep(20);
    SetLastError(ERROR_ACCESS_DENIED);
    return (DWORD)-1;
}

bool ThreadAlive(DWORD threadId) {
    if (threadId == 0) return false;
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    if (!thread) return false;
    bool alive = WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
    CloseHandle(thread);
    return alive;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return condition();
        Sleep(1);
    }
}
