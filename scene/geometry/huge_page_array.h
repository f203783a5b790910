// A fixed-size array of plain records for tables that are read at random, one record per query.
//
// At a million records such a table spans tens of megabytes, and on small pages nearly every
// read first misses the address translation as well as the cache. Large arrays are therefore
// aligned to, and advised for, huge pages where the system offers them (Embree does the same for
// its own hierarchy); small ones are ordinary allocations.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace flumpet::scene {

/// Uninitialised bytes of at least the given alignment; null for zero bytes. Throws
/// std::bad_alloc when the memory cannot be had.
void* allocateHugePageArray(size_t bytes, size_t alignment);
void releaseHugePageArray(void* p);

template <typename T> class HugePageArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

  public:
    HugePageArray() = default;
    /// size records, uninitialised: the caller writes every one.
    explicit HugePageArray(size_t size)
        : data_(static_cast<T*>(allocateHugePageArray(size * sizeof(T), alignof(T)))), size_(size) {}
    ~HugePageArray() { releaseHugePageArray(data_); }
    HugePageArray(HugePageArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    HugePageArray& operator=(HugePageArray&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        return *this;
    }
    HugePageArray(const HugePageArray&) = delete;
    HugePageArray& operator=(const HugePageArray&) = delete;

    size_t size() const { return size_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }

  private:
    T* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace flumpet::scene
