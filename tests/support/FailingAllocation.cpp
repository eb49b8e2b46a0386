// The program's operator new and delete, over malloc and free, with a size
// from which allocations fail.
#include "support/FailingAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> failFrom{~std::size_t{0}};
}  // namespace

namespace kdx::testing {
FailLargeAllocations::FailLargeAllocations(std::size_t bytes) { failFrom = bytes; }
FailLargeAllocations::~FailLargeAllocations() { failFrom = ~std::size_t{0}; }
}  // namespace kdx::testing

void* operator new(std::size_t n) {
    if (n >= failFrom) throw std::bad_alloc();
    if (void* p = std::malloc(n != 0 ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
