// Counts the allocations a test program makes while counting is on.
// Include it in exactly one source file of a test program: it replaces the
// global operator new and delete of that program.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<bool> allocation_counting{false};
inline std::atomic<long> allocation_count{0};

void* operator new(std::size_t n) {
    if (allocation_counting.load()) ++allocation_count;
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) std::abort();
    return p;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
