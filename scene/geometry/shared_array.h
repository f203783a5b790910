// Large arrays of meshes, splines and weights, shared by copies until one of them writes (copy on
// write). Copying a payload, for an undo record or a clone, copies a pointer; a writer gets an
// array of its own and the old one stays with whoever else holds it.
//
// Read access mirrors std::vector, so spans into the storage are as cheap as ever; they stay
// valid until the array is written or replaced. In checked builds (FLUMPET_CHECKED_SPANS, set
// with the sanitizers) every write moves the array to fresh storage and frees the old, so a span
// kept across a change is caught as a use after free even when an undo record still holds the
// old contents.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace flumpet::scene {

template <typename T> class SharedArray {
  public:
    SharedArray() = default;
    SharedArray(std::vector<T> values) { replace(std::move(values)); } // NOLINT: implicit on purpose
    SharedArray& operator=(std::vector<T> values) {
        replace(std::move(values));
        return *this;
    }

    size_t size() const { return data_ ? data_->size() : 0; }
    bool empty() const { return size() == 0; }
    const T* data() const { return data_ ? data_->data() : nullptr; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size(); }
    const T& operator[](size_t i) const { return (*data_)[i]; }
    const T& front() const { return data_->front(); }
    const T& back() const { return data_->back(); }
    std::span<const T> view() const { return {data(), size()}; }
    operator std::span<const T>() const { return view(); } // NOLINT: reads like a vector
    bool operator==(const SharedArray& other) const {
        return data_ == other.data_ || std::equal(begin(), end(), other.begin(), other.end());
    }

    /// Replaces the contents with a copy of `values`, which may be a view of this very array.
    void assign(std::span<const T> values) { replace(std::vector<T>(values.begin(), values.end())); }
    /// Replaces the contents; the old storage stays with any other holder.
    void replace(std::vector<T> values) {
        if (checked && data_ && data_.use_count() > 1) relocate();
        if (values.empty()) {
            data_.reset();
            return;
        }
        data_ = std::make_shared<std::vector<T>>(std::move(values));
    }
    void clear() { replace({}); }
    /// The array for writing: made its own first when shared. References into it stay valid
    /// until the next call of a writer.
    std::vector<T>& edit() {
        if (!data_) {
            data_ = std::make_shared<std::vector<T>>();
        } else if (data_.use_count() > 1) {
            auto own = std::make_shared<std::vector<T>>(*data_);
            if (checked) relocate();
            data_ = std::move(own);
        } else if (checked) {
            relocate();
        }
        return *data_;
    }
    /// Drops capacity the array no longer needs (after it shrank a lot).
    void trimCapacity() {
        if (data_ && data_.use_count() == 1 && data_->capacity() > data_->size() + data_->size() / 8)
            data_->shrink_to_fit();
    }

    /// Accounting for the undo history: the storage (shared by copies), its size in bytes and
    /// how many holders share it.
    const void* storage() const { return data_.get(); }
    size_t bytes() const { return data_ ? data_->capacity() * sizeof(T) + sizeof(std::vector<T>) : 0; }
    long holders() const { return data_.use_count(); }

  private:
#ifdef FLUMPET_CHECKED_SPANS
    static constexpr bool checked = true;
#else
    static constexpr bool checked = false;
#endif
    // Moves the elements to fresh storage and frees the old (checked builds).
    void relocate() {
        std::vector<T> moved(data_->begin(), data_->end());
        data_->swap(moved);
    }

    std::shared_ptr<std::vector<T>> data_;
};

} // namespace flumpet::scene
