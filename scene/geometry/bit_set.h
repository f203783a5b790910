// A bit per element, growing at the end: which points are deleted, which polygons changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace flumpet::scene {

class BitSet {
  public:
    BitSet() = default;
    explicit BitSet(size_t count) : words_((count + 63) / 64, 0), size_(count) {}

    size_t size() const { return size_; }
    /// Adds an element, its bit clear.
    void push() {
        if (size_ % 64 == 0) words_.push_back(0);
        ++size_;
    }
    /// False past the end.
    bool test(size_t i) const { return i < size_ && ((words_[i / 64] >> (i % 64)) & 1u) != 0; }
    void set(size_t i) { words_[i / 64] |= uint64_t{1} << (i % 64); }
    /// The bits of elements 64 w .. 64 w + 63 (past the end: clear).
    uint64_t word(size_t w) const { return words_[w]; }
    size_t wordCount() const { return words_.size(); }

  private:
    std::vector<uint64_t> words_;
    size_t size_ = 0;
};

} // namespace flumpet::scene
