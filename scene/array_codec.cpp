#include "scene/array_codec.h"

#include <zstd.h>

#include <array>
#include <bit>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace flumpet::scene {

static_assert(std::endian::native == std::endian::little, "scene files store little-endian arrays");

namespace {

/// Fast and still small: the arrays are mostly coordinates, where stronger levels gain little.
constexpr int CompressionLevel = 1;

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

/// Per position in a group of four characters: the character's six bits already shifted into
/// place in a 24-bit group, or a bit above the group for a character outside the alphabet, so a
/// group decodes with four lookups and ORs and errors are checked once per array.
constexpr uint32_t InvalidCharacter = 1u << 24;
constexpr std::array<std::array<uint32_t, 256>, 4> decodeTables() {
    std::array<std::array<uint32_t, 256>, 4> t{};
    for (auto& table : t)
        for (auto& v : table) v = InvalidCharacter;
    for (uint32_t i = 0; i < 64; ++i)
        for (int k = 0; k < 4; ++k) t[size_t(k)][static_cast<uint8_t>(Alphabet[i])] = i << (18 - 6 * k);
    return t;
}
constexpr auto DecodeTables = decodeTables();

uint32_t group(const char* c) {
    return DecodeTables[0][uint8_t(c[0])] | DecodeTables[1][uint8_t(c[1])] | DecodeTables[2][uint8_t(c[2])] |
           DecodeTables[3][uint8_t(c[3])];
}

std::string toBase64(const uint8_t* in, size_t n) {
    std::string out((n + 2) / 3 * 4, '=');
    char* o = out.data();
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
        *o++ = Alphabet[v >> 18];
        *o++ = Alphabet[(v >> 12) & 63];
        *o++ = Alphabet[(v >> 6) & 63];
        *o++ = Alphabet[v & 63];
    }
    if (i < n) {
        const uint32_t v = uint32_t(in[i]) << 16 | (i + 1 < n ? uint32_t(in[i + 1]) << 8 : 0);
        *o++ = Alphabet[v >> 18];
        *o++ = Alphabet[(v >> 12) & 63];
        if (i + 1 < n) *o++ = Alphabet[(v >> 6) & 63];
    }
    return out;
}

bool fromBase64(std::string_view text, std::vector<uint8_t>& out) {
    if (text.size() % 4 != 0) return false;
    size_t pad = 0;
    while (pad < 2 && pad < text.size() && text[text.size() - 1 - pad] == '=') ++pad;
    out.resize(text.size() / 4 * 3 - pad);
    if (text.empty()) return true;
    uint8_t* o = out.data();
    const char* c = text.data();
    const size_t groups = text.size() / 4;
    uint32_t invalid = 0;
    // Every group but the last writes four bytes, the fourth overwritten by the next group.
    for (size_t g = 0; g + 1 < groups; ++g, c += 4, o += 3) {
        const uint32_t v = group(c);
        invalid |= v;
        const uint32_t bytes = __builtin_bswap32(v << 8);
        std::memcpy(o, &bytes, 4);
    }
    char last[4] = {c[0], c[1], pad == 2 ? 'A' : c[2], pad >= 1 ? 'A' : c[3]};
    const uint32_t v = group(last);
    invalid |= v;
    if (invalid & InvalidCharacter) return false;
    const uint8_t tail[3] = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    std::memcpy(o, tail, 3 - pad);
    return true;
}

// Byte k of value i goes to k * count + i.
void shuffle(const uint8_t* in, size_t count, size_t size, uint8_t* out) {
    for (size_t i = 0; i < count; ++i)
        for (size_t k = 0; k < size; ++k) out[k * count + i] = in[i * size + k];
}

void unshuffle(const uint8_t* in, size_t count, size_t size, uint8_t* out) {
    for (size_t i = 0; i < count; ++i)
        for (size_t k = 0; k < size; ++k) out[i * size + k] = in[k * count + i];
}

} // namespace

size_t arrayElementSize(ArrayElement element) { return element == ArrayElement::Float64 ? 8 : 4; }

std::string encodeArray(const void* values, size_t count, ArrayElement element) {
    const size_t size = arrayElementSize(element);
    const auto* in = static_cast<const uint8_t*>(values);
    std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> context(ZSTD_createCCtx(), ZSTD_freeCCtx);
    std::vector<uint8_t> grouped(std::min(count, ArrayBlockValues) * size);
    std::vector<uint8_t> packed(ZSTD_compressBound(count * size) + ZSTD_compressBound(0) * (count / ArrayBlockValues + 1));
    size_t used = 0;
    // One frame per block, so that reading regroups each block while it is still in the cache.
    size_t first = 0;
    do {
        const size_t n = std::min(ArrayBlockValues, count - first), bytes = n * size;
        if (size == 8)
            shuffle(in + first * size, n, 8, grouped.data());
        else
            shuffle(in + first * size, n, 4, grouped.data());
        const size_t written = ZSTD_compressCCtx(context.get(), packed.data() + used, packed.size() - used,
                                                 grouped.data(), bytes, CompressionLevel);
        if (ZSTD_isError(written)) return {}; // cannot happen with bound-sized room
        used += written;
        first += n;
    } while (first < count);
    return toBase64(packed.data(), used);
}

bool decodeArray(std::string_view text, size_t count, ArrayElement element, void* out, std::string& why) {
    const size_t size = arrayElementSize(element), bytes = count * size;
    std::vector<uint8_t> packed;
    if (!fromBase64(text, packed)) {
        why = "not base64 text";
        return false;
    }
    std::unique_ptr<ZSTD_DCtx, decltype(&ZSTD_freeDCtx)> context(ZSTD_createDCtx(), ZSTD_freeDCtx);
    std::vector<uint8_t> grouped;
    auto* target = static_cast<uint8_t*>(out);
    size_t done = 0, offset = 0;
    // Frames follow each other; each holds the regrouped bytes of the next run of values.
    do {
        const uint8_t* frame = packed.data() + offset;
        const size_t left = packed.size() - offset;
        const size_t frameSize = ZSTD_findFrameCompressedSize(frame, left);
        const unsigned long long content = ZSTD_getFrameContentSize(frame, left);
        if (ZSTD_isError(frameSize) || content == ZSTD_CONTENTSIZE_ERROR || content == ZSTD_CONTENTSIZE_UNKNOWN) {
            why = "not compressed data";
            return false;
        }
        if (content % size != 0 || content > bytes - done) {
            why = "holds more than the " + std::to_string(count) + " values expected";
            return false;
        }
        const size_t n = static_cast<size_t>(content) / size;
        if (grouped.size() < content) grouped.resize(content);
        const size_t got = ZSTD_decompressDCtx(context.get(), grouped.data(), content, frame, frameSize);
        if (ZSTD_isError(got) || got != content) {
            why = std::string("damaged compressed data: ") + (ZSTD_isError(got) ? ZSTD_getErrorName(got) : "short");
            return false;
        }
        if (size == 8)
            unshuffle(grouped.data(), n, 8, target + done);
        else
            unshuffle(grouped.data(), n, 4, target + done);
        done += content;
        offset += frameSize;
    } while (offset < packed.size());
    if (done != bytes) {
        why = "holds " + std::to_string(done / size) + " values, expected " + std::to_string(count);
        return false;
    }
    return true;
}

} // namespace flumpet::scene
