#pragma once

#include <cstdint>

namespace kavri::bench {

// Heap allocations made by the whole process so far (malloc, calloc,
// realloc, aligned allocations and, through them, operator new). Counting
// only works in a program that links allocation_counter.cpp.
int64_t allocationCount();

}  // namespace kavri::bench
