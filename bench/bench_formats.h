#pragma once
// The capture formats the benchmark programs accept on their command lines.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

// "1S16", "4S16", "48S16" or "96S16" (stereo 16-bit at 11.025, 44.1, 48 and 96 kHz); 0 otherwise.
inline DWORD ParseStereo16Format(const char* name) {
    if (!std::strcmp(name, "1S16")) return WAVE_FORMAT_1S16;
    if (!std::strcmp(name, "4S16")) return WAVE_FORMAT_4S16;
    if (!std::strcmp(name, "48S16")) return WAVE_FORMAT_48S16;
    if (!std::strcmp(name, "96S16")) return WAVE_FORMAT_96S16;
    return 0;
}
