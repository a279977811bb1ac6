#pragma once
// CSampleBlock: a growable byte block holding one copied half of the capture buffer.
#include <windows.h>

class CSampleBlock {
public:
    CSampleBlock() : data(nullptr), count(0) {}
    ~CSampleBlock() { Clear(); }

    // Grows the block by length bytes from source (zeros where source is null).
    // False, with the block unchanged, when nothing would be held, memory runs out, or the
    // new size does not fit 32 bits.
    bool Append(const void* source, DWORD length);
    void Clear();

    BYTE* data;   // zero-filled heap memory of count bytes, or null
    DWORD count;

    CSampleBlock(const CSampleBlock&) = delete;
    CSampleBlock& operator=(const CSampleBlock&) = delete;
};
