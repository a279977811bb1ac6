#include "capture/buffer_halves.h"

bool IsHalfComplete(int nextHalf, DWORD halfSize, DWORD capturePosition, DWORD readPosition) {
    if (nextHalf == 0) return capturePosition > halfSize && readPosition > halfSize;
    return capturePosition < halfSize && readPosition < halfSize;
}
