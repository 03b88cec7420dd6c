#include "bench/common/allocation_counter.h"

#include <atomic>
#include <cstddef>

// glibc's own allocator entry points, under the names it also exports.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

std::atomic<int64_t> allocations{0};

void count() {
    allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

namespace kavri::bench {

int64_t allocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

}  // namespace kavri::bench

// Every allocation of the program and its libraries goes through these.
extern "C" {

void* malloc(size_t size) {
    count();
    return __libc_malloc(size);
}

void* calloc(size_t n, size_t size) {
    count();
    return __libc_calloc(n, size);
}

void* realloc(void* pointer, size_t size) {
    count();
    return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size) {
    count();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    count();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) {
        return 12;  // ENOMEM
    }
    *out = p;
    return 0;
}

void free(void* pointer) {
    __libc_free(pointer);
}

}  // extern "C"
