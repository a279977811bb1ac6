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
