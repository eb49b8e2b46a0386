// Makes large allocations fail, for the memory messages: while a
// FailLargeAllocations lives, every operator new of at least its size throws
// std::bad_alloc. Link the test program with kdx_failing_allocation.
#pragma once

#include <cstddef>

namespace kdx::testing {

class FailLargeAllocations {
public:
    explicit FailLargeAllocations(std::size_t bytes);
    ~FailLargeAllocations();
    FailLargeAllocations(const FailLargeAllocations&) = delete;
    FailLargeAllocations& operator=(const FailLargeAllocations&) = delete;
};

}  // namespace kdx::testing
