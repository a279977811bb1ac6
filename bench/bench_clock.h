#pragma once
// Time for the benchmark programs: the wall clock in Unix seconds (the same clock that the
// scripts on the Linux side read, so both sides' stamps compare directly), and a tick-based
// stopwatch for durations.
#include <windows.h>

// Seconds since 1970 from the precise system time (100 ns resolution).
inline double UnixSeconds() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    ULONGLONG ticks = ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    return (double)(ticks - 116444736000000000ULL) / 1e7;
}

// Seconds on the performance counter.
inline double CounterSeconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// User plus kernel CPU seconds of the calling process.
inline double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    auto seconds = [](const FILETIME& t) {
        return (double)(((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}
