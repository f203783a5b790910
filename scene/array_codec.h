// Large numeric arrays of scene files in compact form: the little-endian bytes of the values,
// regrouped by byte position (all first bytes, then all second bytes ...: the high bytes of
// nearby numbers are alike, so this compresses far better), compressed with zstd, as base64
// text. See docs/scene-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace flumpet::scene {

/// Values per compressed frame: a block and its regrouped copy stay within a core's cache.
inline constexpr size_t ArrayBlockValues = 32768;

/// The element types an encoded array may hold.
enum class ArrayElement : uint8_t { Float64, Int32 };

size_t arrayElementSize(ArrayElement element);

/// The encoded text of `count` values stored at `values`.
std::string encodeArray(const void* values, size_t count, ArrayElement element);

/// Decodes exactly `count` values into `out` (room for count values). False, with `why` set and
/// `out` undefined, when the text is not base64, does not decompress, or holds another number of
/// values.
bool decodeArray(std::string_view text, size_t count, ArrayElement element, void* out, std::string& why);

} // namespace flumpet::scene
