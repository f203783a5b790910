#include "scene/array_codec.h"

#include <gtest/gtest.h>
#include <zstd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace flumpet::scene;

namespace {

std::vector<double> coordinates(size_t n) {
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = std::sin(0.001 * double(i)) * 250.0 + double(i % 7);
    return v;
}

std::vector<int32_t> indices(size_t n) {
    std::vector<int32_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = int32_t(i / 3 + (i % 4) * 1000);
    return v;
}

} // namespace

TEST(ArrayCodec, RoundTripsAcrossBlockBoundaries) {
    for (const size_t n : {size_t{0}, size_t{1}, size_t{1025}, ArrayBlockValues - 1, ArrayBlockValues,
                           ArrayBlockValues + 1, 3 * ArrayBlockValues + 17}) {
        SCOPED_TRACE(n);
        const std::vector<double> d = coordinates(n);
        std::vector<double> dOut(n);
        std::string why;
        ASSERT_TRUE(decodeArray(encodeArray(d.data(), n, ArrayElement::Float64), n, ArrayElement::Float64,
                                dOut.data(), why))
            << why;
        EXPECT_TRUE(std::equal(d.begin(), d.end(), dOut.begin(), [](double a, double b) {
            return std::memcmp(&a, &b, sizeof a) == 0; // bit for bit
        }));

        const std::vector<int32_t> i = indices(n);
        std::vector<int32_t> iOut(n);
        ASSERT_TRUE(
            decodeArray(encodeArray(i.data(), n, ArrayElement::Int32), n, ArrayElement::Int32, iOut.data(), why))
            << why;
        EXPECT_EQ(i, iOut);
    }
}

// Earlier files hold a whole array, however long, in one frame: they must still read.
TEST(ArrayCodec, ReadsAnArrayCompressedAsOneFrame) {
    const size_t n = 2 * ArrayBlockValues + 5;
    const std::vector<int32_t> values = indices(n);
    std::vector<uint8_t> grouped(n * 4);
    for (size_t v = 0; v < n; ++v)
        for (size_t k = 0; k < 4; ++k) grouped[k * n + v] = reinterpret_cast<const uint8_t*>(values.data())[v * 4 + k];
    std::vector<uint8_t> packed(ZSTD_compressBound(grouped.size()));
    packed.resize(ZSTD_compress(packed.data(), packed.size(), grouped.data(), grouped.size(), 1));
    // Standard base64 with padding, written out here so the test does not lean on the codec.
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < packed.size(); i += 3) {
        const uint32_t b = uint32_t(packed[i]) << 16 | (i + 1 < packed.size() ? uint32_t(packed[i + 1]) << 8 : 0) |
                           (i + 2 < packed.size() ? packed[i + 2] : 0);
        text += Alphabet[b >> 18];
        text += Alphabet[(b >> 12) & 63];
        text += i + 1 < packed.size() ? Alphabet[(b >> 6) & 63] : '=';
        text += i + 2 < packed.size() ? Alphabet[b & 63] : '=';
    }
    std::vector<int32_t> out(n);
    std::string why;
    ASSERT_TRUE(decodeArray(text, n, ArrayElement::Int32, out.data(), why)) << why;
    EXPECT_EQ(values, out);
}

TEST(ArrayCodec, RefusesFramesThatDoNotAddUpToTheCount) {
    const size_t n = 2 * ArrayBlockValues;
    const std::vector<double> d = coordinates(n);
    const std::string text = encodeArray(d.data(), n, ArrayElement::Float64);
    std::vector<double> out(n + 1);
    std::string why;
    EXPECT_FALSE(decodeArray(text, n + 1, ArrayElement::Float64, out.data(), why));
    EXPECT_NE(why.find("values, expected"), std::string::npos) << why;
    EXPECT_FALSE(decodeArray(text, n - 1, ArrayElement::Float64, out.data(), why));
    EXPECT_NE(why.find("more than"), std::string::npos) << why;
}
