#pragma once
// Looking at the threads of the test process from outside the code under test.
#include <windows.h>

#include <functional>

#include <set>

int CountProcessThreads();
std::set<DWORD> ProcessThreadIds();
bool ThreadAlive(DWORD threadId);
// Polls the condition every millisecond; true as soon as it holds, false after the timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// ResumeThread's stand-in for a thread that cannot be resumed: it fails with access denied, as
// for a handle without the right, after the moment a new thread takes to settle in its suspended
// state. Wine's 32-bit side (8.0) can bring the whole process down when a thread is terminated
// before that (measured: most runs of 3000 terminations right after creation crashed; none of
// 12000 made 1 to 5 ms later), which a caller that discards the thread does.
DWORD WINAPI FailingResumeThread(HANDLE thread);
