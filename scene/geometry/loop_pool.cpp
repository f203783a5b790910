#include "scene/geometry/loop_pool.h"

#include <algorithm>
#include <cassert>

namespace flumpet::scene {

int32_t LoopPool::add(std::span<const int32_t> loop) {
    // Room for a few inserted points: an edge split on each side of a triangle is common.
    const size_t capacity = loop.size() + 4;
    slots_.push_back({items_.size(), loop.size(), capacity});
    items_.insert(items_.end(), loop.begin(), loop.end());
    items_.resize(items_.size() + (capacity - loop.size()));
    return static_cast<int32_t>(slots_.size() - 1);
}

void LoopPool::insertAfter(int32_t slot, size_t position, int32_t value) {
    Slot& s = slots_[static_cast<size_t>(slot)];
    assert(position < s.size);
    if (s.size == s.capacity) {
        const size_t start = items_.size();
        items_.resize(start + 2 * s.capacity);
        std::copy_n(items_.begin() + static_cast<std::ptrdiff_t>(s.start), s.size,
                    items_.begin() + static_cast<std::ptrdiff_t>(start));
        s.start = start;
        s.capacity *= 2;
    }
    const auto first = items_.begin() + static_cast<std::ptrdiff_t>(s.start);
    std::copy_backward(first + static_cast<std::ptrdiff_t>(position + 1),
                       first + static_cast<std::ptrdiff_t>(s.size),
                       first + static_cast<std::ptrdiff_t>(s.size + 1));
    first[static_cast<std::ptrdiff_t>(position + 1)] = value;
    ++s.size;
}

void LoopPool::shrinkTo(int32_t slot, std::span<const int32_t> loop) {
    Slot& s = slots_[static_cast<size_t>(slot)];
    assert(loop.size() <= s.size);
    std::copy(loop.begin(), loop.end(), items_.begin() + static_cast<std::ptrdiff_t>(s.start));
    s.size = loop.size();
}

void LoopPool::clear() {
    slots_.clear();
    items_.clear();
}

} // namespace flumpet::scene
