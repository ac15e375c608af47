// The 18 converters on known pixels, quantize's edge cases, and the grouped float path (four lanes
// at a time) against the one-pixel-at-a-time path (the scalar quantize).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "display/converter.h"
#include "display/quantize.h"

namespace {

using Scanout::Format;
using Scanout::quantize;
using Scanout::requestConverter;

float fromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Each value with its 8-bit result at the same place, worked by hand: the value times 2^bits,
// truncated, held to 0 .. 2^bits - 1, NaNs by their sign. 0.99999994 + 1.0 rounds to 2.0, whose
// fraction is 0: the limit keeps it, and 0.99999988, at full scale. Truncating to 5 or 6 bits is
// truncating to 8 and keeping the top bits.
TEST(Quantize, TruncatesAndSaturatesAtTheLimitAndForNonFiniteValues) {
    const float inf = std::numeric_limits<float>::infinity(), nan = fromBits(0x7fc00000u);
    const float nearOne = fromBits(0x3f7ffffeu), nearestOne = fromBits(0x3f7fffffu);
    const float values[] = {1.0f,          2.0f,  inf,   nan,  nearOne,        nearestOne,
                            0.999f,        -3.0f, -0.0f, -inf, -nan,           0.0f,
                            1.0f / 512.0f, 0.5f,  0.25f, 0.3f, 127.9f / 256.0f};
    const std::uint32_t eight[] = {255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 128, 64, 76, 127};
    static_assert(std::size(values) == std::size(eight));
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(quantize(values[i], 5), eight[i] >> 3) << values[i];
        EXPECT_EQ(quantize(values[i], 6), eight[i] >> 2) << values[i];
        EXPECT_EQ(quantize(values[i], 8), eight[i]) << values[i];
    }
}

// Converts no pixel, then one, into a buffer of 0xcd bytes and checks every byte: nothing written
// for none, then the expected pixel (little-endian, its size the destination's) and nothing past it.
void expectOnePixel(Format source, Format destination, const void* pixel, std::uint64_t expected) {
    std::vector<unsigned char> out(32, 0xcd);
    const Scanout::Converter* converter = requestConverter(source, destination);
    converter->convert(pixel, out.data(), 0);
    EXPECT_EQ(out, std::vector<unsigned char>(32, 0xcd)) << "zero pixels wrote something";
    converter->convert(pixel, out.data(), 1);
    const int size = Scanout::bytesPerPixel(destination);
    for (int i = 0; i < 32; ++i) {
        const unsigned want = i < size ? static_cast<unsigned>(expected >> (8 * i) & 0xff) : 0xcdu;
        EXPECT_EQ(out[static_cast<std::size_t>(i)], want)
            << "byte " << i << " of " << static_cast<int>(source) << " -> " << static_cast<int>(destination);
    }
}

// The eight integer layouts of 8-bit channels r, g, b, little-endian: the top bits of each channel
// where a layout keeps fewer, and x as the X byte of XRGB8888 (the only layout that keeps one).
struct Layout {
    Format destination;
    std::uint64_t expected;
};
std::vector<Layout> layouts(std::uint32_t x, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return {
        {Format::XRGB8888, x << 24 | r << 16 | g << 8 | b},
        {Format::XBGR8888, b << 16 | g << 8 | r},
        {Format::RGB888, b << 16 | g << 8 | r}, // bytes r, g, b
        {Format::BGR888, r << 16 | g << 8 | b},
        {Format::RGB565, (r >> 3) << 11 | (g >> 2) << 5 | b >> 3},
        {Format::BGR565, (b >> 3) << 11 | (g >> 2) << 5 | r >> 3},
        {Format::XRGB1555, (r >> 3) << 10 | (g >> 3) << 5 | b >> 3},
        {Format::XBGR1555, (b >> 3) << 10 | (g >> 3) << 5 | r >> 3},
    };
}

// Truncating a value to 8 bits and keeping the top 5 or 6 is truncating it to 5 or 6 bits, so a
// float pixel's layouts are those of its truncated 8-bit channels.
TEST(FloatConverters, PlaceTruncatedChannelsAsEachLayoutSays) {
    const float pixel[4] = {0.25f, 0.5f, 1.0f, 0.3f}; // r8 64, g8 128, b8 255; an alpha no layout keeps
    for (const Layout& c : layouts(0, 64, 128, 255)) {
        expectOnePixel(Format::XBGRFFFF, c.destination, pixel, c.expected);
    }
    const float copy[4] = {-1.5f, 2.0f, 0.125f, 7.0f};
    float same[4] = {};
    requestConverter(Format::XBGRFFFF, Format::XBGRFFFF)->convert(copy, same, 1);
    EXPECT_EQ(std::memcmp(same, copy, 16), 0) << "same format copies unchanged, alpha and range included";
}

TEST(TrueColorConverters, KeepTheTopBitsOfEachChannel) {
    for (std::uint32_t q : {0xff123456u, 0x00fedcbau, 0x80ffffffu, 0x00000000u, 0x00070307u}) {
        // XRGB8888 to itself copies unchanged, X byte included.
        for (const Layout& c : layouts(q >> 24, q >> 16 & 0xff, q >> 8 & 0xff, q & 0xff)) {
            expectOnePixel(Format::XRGB8888, c.destination, &q, c.expected);
        }
    }
}

TEST(TrueColorConverters, ToFloatsDividesBy256AndLeavesAlpha) {
    const std::uint32_t pixels[2] = {0xff123456u, 0x00ffffffu};
    std::vector<float> out = {9, 9, 9, 0.75f, 9, 9, 9, -2.0f};
    requestConverter(Format::XRGB8888, Format::XBGRFFFF)->convert(pixels, out.data(), 2);
    const float top = 255.0f / 256.0f;
    EXPECT_EQ(out,
              (std::vector<float>{0x12 / 256.0f, 0x34 / 256.0f, 0x56 / 256.0f, 0.75f, top, top, top, -2.0f}));
}

// Only XRGB8888 (1) and XBGRFFFF (9) sources convert, to each of the nine formats 1 to 9.
TEST(Converters, LookupCoversExactlyTheEighteenPairs) {
    for (int source = -1; source <= 10; ++source) {
        for (int destination = -1; destination <= 10; ++destination) {
            const bool expected = (source == 1 || source == 9) && destination >= 1 && destination <= 9;
            EXPECT_EQ(requestConverter(static_cast<Format>(source), static_cast<Format>(destination)) !=
                          nullptr,
                      expected)
                << source << " -> " << destination;
        }
    }
}

// The grouped path quantizes four lanes at a time, the one-pixel path one value at a time: the
// same bits for every format. The first pixels carry the awkward values in each colour channel,
// the rest random bit patterns (every exponent, sign and NaN), values just below 1 and plain ones.
TEST(FloatConverters, FourAtATimeEqualsOneAtATime) {
    const float inf = std::numeric_limits<float>::infinity(), tiny = std::numeric_limits<float>::denorm_min();
    const float below = fromBits(0x3f7ffffeu), justBelow = fromBits(0x3f7fffffu),
                above = fromBits(0x3f800001u);
    const float nan = fromBits(0x7fc00000u), negativeNan = fromBits(0xffc00000u);
    const float awkward[] = {0.0f, -0.0f, 1.0f, below,       justBelow, above,
                             inf,  -inf,  nan,  negativeNan, tiny,      1.0f / 512.0f};
    constexpr int AWKWARD = static_cast<int>(std::size(awkward));
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(-0.5f, 1.5f);
    // 255 pixels: 63 groups of four and a tail of three, unaligned in the source on purpose.
    constexpr int COUNT = 255;
    std::vector<float> storage(COUNT * 4 + 1);
    float* source = storage.data() + 1;
    for (int i = 0; i < COUNT * 4; ++i) {
        const int pixel = i / 4, channel = i % 4;
        const int pick = static_cast<int>(random() % 5);
        source[i] = pixel < AWKWARD          ? awkward[(pixel + channel * 4) % AWKWARD]
                    : pick == 0 || pick == 1 ? fromBits(static_cast<std::uint32_t>(random()))
                    : pick == 2 ? fromBits(0x3f7fffffu - static_cast<std::uint32_t>(random() % 3))
                                : unit(random);
    }
    for (int d = 1; d <= 9; ++d) {
        const Format destination = static_cast<Format>(d);
        const int bytes = Scanout::bytesPerPixel(destination);
        const Scanout::Converter* c = requestConverter(Format::XBGRFFFF, destination);
        std::vector<unsigned char> grouped(COUNT * 16 + 16, 0xab), single(COUNT * 16 + 16, 0xab);
        c->convert(source, grouped.data(), COUNT);
        for (int i = 0; i < COUNT; ++i) {
            c->convert(source + i * 4, single.data() + i * bytes, 1);
        }
        EXPECT_EQ(grouped, single) << "destination format " << d;
        EXPECT_EQ(grouped[static_cast<std::size_t>(COUNT * bytes)], 0xab) << "no write past the run";
    }
}

} // namespace
