// Fresh memory from operator new is filled with 0xA5, as a debugging heap does, so that reading
// past the bytes written into a block finds text rather than a zero that happened to be there.
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

void* AllocateFilled(std::size_t size) {
    void* memory = std::malloc(size ? size : 1);
    if (memory) std::memset(memory, 0xA5, size);
    return memory;
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* memory = AllocateFilled(size)) return memory;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    if (void* memory = AllocateFilled(size)) return memory;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateFilled(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateFilled(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
