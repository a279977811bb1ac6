#include "capture/sample_block.h"

#include <cstdlib>
#include <cstring>

bool CSampleBlock::Append(const void* source, DWORD length) {
    DWORD total = count + length;
    if (total < count) return false;  // does not fit 32 bits
    if (total == 0) return false;
    auto* memory = static_cast<BYTE*>(std::calloc(total, 1));
    if (!memory) return false;
    if (data && count != 0) std::memcpy(memory, data, count);
    if (source && length != 0) std::memcpy(memory + count, source, length);
    std::free(data);
    data = memory;
    count = total;
    return true;
}

void CSampleBlock::Clear() {
    std::free(data);
    data = nullptr;
    count = 0;
}
