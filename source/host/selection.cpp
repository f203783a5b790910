#include "host/selection.h"

#include <algorithm>

namespace flumpet::host {

void Selection::grow(size_t words) {
    words_.resize(words, 0);
}

bool Selection::deselect(int32_t index) {
    if (index < 0) return false;
    const auto word = static_cast<size_t>(index) / 64;
    if (word >= words_.size()) return true;
    const uint64_t mask = uint64_t{1} << (static_cast<size_t>(index) % 64);
    if (words_[word] & mask) {
        words_[word] &= ~mask;
        --count_;
    }
    return true;
}

bool Selection::toggle(int32_t index) {
    return isSelected(index) ? deselect(index) : select(index);
}

void Selection::selectAll(int32_t count) {
    if (count <= 0) return;
    const auto n = static_cast<size_t>(count);
    const size_t full = n / 64;
    if (words_.size() < (n + 63) / 64) words_.resize((n + 63) / 64, 0);
    for (size_t w = 0; w < full; ++w)
        words_[w] = ~uint64_t{0};
    if (n % 64) words_[full] |= (uint64_t{1} << (n % 64)) - 1;
    int32_t total = 0;
    for (uint64_t w : words_)
        total += std::popcount(w);
    count_ = total;
}

int32_t Selection::extent() const {
    for (size_t w = words_.size(); w-- > 0;)
        if (words_[w])
            return static_cast<int32_t>(w * 64 + 64 - static_cast<size_t>(std::countl_zero(words_[w])));
    return 0;
}

std::vector<int32_t> Selection::indices() const {
    std::vector<int32_t> out;
    out.reserve(static_cast<size_t>(count_));
    forEach([&](int32_t i) { out.push_back(i); });
    return out;
}

bool Selection::operator==(const Selection& other) const {
    if (count_ != other.count_) return false;
    const size_t common = std::min(words_.size(), other.words_.size());
    if (!std::equal(words_.begin(), words_.begin() + static_cast<std::ptrdiff_t>(common),
                    other.words_.begin()))
        return false;
    // The longer one holds nothing more (counts are equal and the common part matched).
    return true;
}

} // namespace flumpet::host
