#include "failing_allocator.h"

#include <cstdlib>
#include <new>

std::atomic<bool> failAllocations{false};

void* operator new(std::size_t size) {
    if (failAllocations.load()) throw std::bad_alloc();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

// The library sorts with the nothrow form; it must come from the same allocator.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failAllocations.load()) return nullptr;
    return std::malloc(size ? size : 1);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
