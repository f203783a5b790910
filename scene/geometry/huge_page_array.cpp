#include "scene/geometry/huge_page_array.h"

#include <algorithm>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace flumpet::scene {

namespace {

constexpr size_t HugePage = size_t{2} << 20;

} // namespace

void* allocateHugePageArray(size_t bytes, size_t alignment) {
    if (bytes == 0) return nullptr;
    const bool huge = bytes >= HugePage;
    // aligned_alloc wants a size that is a multiple of the alignment.
    const size_t align = huge ? HugePage : std::max(alignment, alignof(std::max_align_t));
    const size_t rounded = (bytes + align - 1) / align * align;
    void* p = std::aligned_alloc(align, rounded);
    if (!p) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only advice: where huge pages are off or used up, the table works as well on small pages.
    if (huge) madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return p;
}

void releaseHugePageArray(void* p) {
    std::free(p);
}

} // namespace flumpet::scene
