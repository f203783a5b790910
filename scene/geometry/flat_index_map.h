// A map from element indices or index pairs to element indices in one flat table with open
// addressing: no allocation per entry, for the few elements a modeling transaction touches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace flumpet::scene {

/// Keys are non-negative (int32_t) or below the top value (uint64_t); values are indices.
template <typename Key> class FlatIndexMap {
  public:
    /// The value of a key; -1 when absent.
    int32_t find(Key key) const {
        if (count_ == 0) return -1;
        for (size_t i = slotOf(key);; i = (i + 1) & mask_) {
            if (keys_[i] == key) return values_[i];
            if (keys_[i] == Empty) return -1;
        }
    }
    /// Sets the value of a key.
    void set(Key key, int32_t value) {
        // At most half full, so that probes stay short.
        if (2 * (count_ + 1) > keys_.size()) grow();
        for (size_t i = slotOf(key);; i = (i + 1) & mask_) {
            if (keys_[i] == key) {
                values_[i] = value;
                return;
            }
            if (keys_[i] == Empty) {
                keys_[i] = key;
                values_[i] = value;
                ++count_;
                return;
            }
        }
    }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    void clear() { *this = FlatIndexMap(); }
    /// Calls fn(key, value) for every entry, in no particular order.
    template <typename Fn> void forEach(Fn&& fn) const {
        for (size_t i = 0; i < keys_.size(); ++i)
            if (keys_[i] != Empty) fn(keys_[i], values_[i]);
    }

  private:
    static constexpr Key Empty = Key(-1);

    size_t slotOf(Key key) const {
        return static_cast<size_t>((static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    void grow() {
        std::vector<Key> keys = std::move(keys_);
        std::vector<int32_t> values = std::move(values_);
        const size_t capacity = keys.empty() ? 16 : 2 * keys.size();
        keys_.assign(capacity, Empty);
        values_.assign(capacity, -1);
        mask_ = capacity - 1;
        shift_ = 64;
        for (size_t c = capacity; c > 1; c >>= 1)
            --shift_;
        count_ = 0;
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i] != Empty) set(keys[i], values[i]);
    }

    std::vector<Key> keys_;
    std::vector<int32_t> values_;
    size_t count_ = 0;
    size_t mask_ = 0;
    int shift_ = 64;
};

} // namespace flumpet::scene
