#include "allocation_meter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

// glibc's own entry points, which the replacements below forward to.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<int64_t> held{0};
std::atomic<int64_t> peak{0};

void* counted(void* p) {
    if (!p) return p;
    const auto now = held.fetch_add(static_cast<int64_t>(malloc_usable_size(p)), std::memory_order_relaxed) +
                     static_cast<int64_t>(malloc_usable_size(p));
    int64_t top = peak.load(std::memory_order_relaxed);
    while (now > top && !peak.compare_exchange_weak(top, now, std::memory_order_relaxed)) {
    }
    return p;
}

void uncount(void* p) {
    if (p) held.fetch_sub(static_cast<int64_t>(malloc_usable_size(p)), std::memory_order_relaxed);
}

} // namespace

extern "C" {

void* malloc(size_t size) {
    return counted(__libc_malloc(size));
}

void free(void* p) {
    uncount(p);
    __libc_free(p);
}

void* calloc(size_t count, size_t size) {
    return counted(__libc_calloc(count, size));
}

void* realloc(void* p, size_t size) {
    uncount(p);
    void* q = __libc_realloc(p, size);
    // A failed realloc leaves the old block in place.
    if (!q && p && size != 0) return counted(p);
    return counted(q);
}

void* memalign(size_t alignment, size_t size) {
    return counted(__libc_memalign(alignment, size));
}

void* aligned_alloc(size_t alignment, size_t size) {
    return counted(__libc_memalign(alignment, size));
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* p = counted(__libc_memalign(alignment, size));
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}

void* valloc(size_t size) {
    return counted(__libc_memalign(4096, size));
}

} // extern "C"

namespace flumpet::compare {

size_t heldBytes() {
    return static_cast<size_t>(held.load(std::memory_order_relaxed));
}

void resetPeak() {
    peak.store(held.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

size_t peakBytes() {
    return static_cast<size_t>(peak.load(std::memory_order_relaxed));
}

} // namespace flumpet::compare
