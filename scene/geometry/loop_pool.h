// Polygon loops of any length in one flat array, for the polygons a modeling transaction
// changes: a loop grows where it is while it has room and moves to the end when it has none,
// so that no polygon owns an allocation of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace flumpet::scene {

class LoopPool {
  public:
    /// Adds a loop; answers its slot.
    int32_t add(std::span<const int32_t> loop);
    /// The loop in a slot; valid until the pool next changes.
    std::span<const int32_t> loop(int32_t slot) const {
        const Slot& s = slots_[static_cast<size_t>(slot)];
        return {items_.data() + s.start, s.size};
    }
    /// Inserts value after the item at position.
    void insertAfter(int32_t slot, size_t position, int32_t value);
    /// Replaces a loop by one no longer than it, held outside the pool.
    void shrinkTo(int32_t slot, std::span<const int32_t> loop);
    void clear();

  private:
    struct Slot {
        size_t start = 0;
        size_t size = 0;
        size_t capacity = 0;
    };
    std::vector<Slot> slots_;
    std::vector<int32_t> items_;
};

} // namespace flumpet::scene
