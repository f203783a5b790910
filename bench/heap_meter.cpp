#include "heap_meter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace flumpet::bench {
namespace {

std::atomic<size_t> held{0};
std::atomic<size_t> peak{0};

void* take(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p) throw std::bad_alloc();
    const size_t now = held.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    return p;
}

void give(void* p) {
    if (!p) return;
    held.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

} // namespace

size_t heldBytes() { return held.load(); }
void resetPeak() { peak.store(held.load()); }
size_t peakBytes() { return peak.load(); }

} // namespace flumpet::bench

void* operator new(size_t size) { return flumpet::bench::take(size); }
void* operator new[](size_t size) { return flumpet::bench::take(size); }
void operator delete(void* p) noexcept { flumpet::bench::give(p); }
void operator delete[](void* p) noexcept { flumpet::bench::give(p); }
void operator delete(void* p, size_t) noexcept { flumpet::bench::give(p); }
void operator delete[](void* p, size_t) noexcept { flumpet::bench::give(p); }
