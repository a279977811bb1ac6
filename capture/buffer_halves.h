#pragma once
// The two halves of the looping capture buffer.
#include <windows.h>

// A half is complete once both the capture and the read position lie in the other half; the
// middle itself counts for neither, since the device may still be writing the byte before it.
bool IsHalfComplete(int nextHalf, DWORD halfSize, DWORD capturePosition, DWORD readPosition);
