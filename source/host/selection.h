// A selection of element indices (points or polygons): a bit per index.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace flumpet::host {

class Selection {
  public:
    bool isSelected(int32_t index) const {
        if (index < 0) return false;
        const auto word = static_cast<std::size_t>(index) / 64;
        return word < words_.size() && (words_[word] >> (static_cast<std::size_t>(index) % 64) & 1u) != 0;
    }
    /// False for a negative index. Inline: commands select element by element, a million
    /// times on a large mesh.
    bool select(int32_t index) {
        if (index < 0) return false;
        const auto word = static_cast<std::size_t>(index) / 64;
        if (word >= words_.size()) grow(word + 1);
        const uint64_t mask = uint64_t{1} << (static_cast<std::size_t>(index) % 64);
        if (!(words_[word] & mask)) {
            words_[word] |= mask;
            ++count_;
        }
        return true;
    }
    bool deselect(int32_t index);
    bool toggle(int32_t index);
    void clear() {
        words_.clear();
        count_ = 0;
    }
    /// Selects 0 .. count - 1 (and keeps what was selected beyond).
    void selectAll(int32_t count);
    /// Number of selected indices.
    int32_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    /// One past the highest selected index; 0 when nothing is selected.
    int32_t extent() const;
    /// Calls fn(index) for every selected index, ascending.
    template <typename Fn> void forEach(Fn&& fn) const {
        for (std::size_t w = 0; w < words_.size(); ++w) {
            uint64_t bits = words_[w];
            while (bits) {
                const int bit = std::countr_zero(bits);
                fn(static_cast<int32_t>(w * 64 + static_cast<std::size_t>(bit)));
                bits &= bits - 1;
            }
        }
    }
    /// The selected indices, ascending.
    std::vector<int32_t> indices() const;
    /// Same selected indices.
    bool operator==(const Selection& other) const;

  private:
    void grow(std::size_t words);

    std::vector<uint64_t> words_;
    int32_t count_ = 0;
};

} // namespace flumpet::host
