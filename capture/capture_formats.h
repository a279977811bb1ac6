#pragma once
// The twenty standard PCM capture formats, named by their wave-format bit (WAVE_FORMAT_1M08 ..
// WAVE_FORMAT_96S16): bit = sample kind << (4 * rate group).
#include <windows.h>
#include <mmsystem.h>

#include "framework/afxstring.h"

// The PCM description of a format code; codes outside the table describe 44.1 kHz stereo 16-bit.
WAVEFORMATEX MakeWaveFormat(DWORD formatCode);

// Best format in the device's mask: 16-bit before 8-bit, stereo before mono, then the highest rate.
// Leaves formatCode untouched and returns false when the mask holds none of the twenty formats.
bool FindFallbackFormat(DWORD formatMask, DWORD* formatCode);

// "44.1kHz stereo 16bit" and the like; "invalid format" for 0, "unknow default" for anything else.
CString FormatDisplayName(DWORD formatCode);
