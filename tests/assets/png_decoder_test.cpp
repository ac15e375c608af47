// The PNG decoder on files built in memory: transparency edge cases, and every error number.
#include <gtest/gtest.h>

#include "asset_test_support.h"
#include "assets/png_decoder.h"
#include "tests/support/misaligned_new.h"

namespace tessellune {
namespace {

using testing_support::appendBigEndian32;
using testing_support::appendChunk;
using testing_support::makePng;
using testing_support::pngHeader;
using testing_support::zlibCompress;

int32_t decodeError(const std::vector<uint8_t>& file) {
    std::vector<uint8_t> pixels;
    return decodePng(file, pixels).error;
}

std::vector<uint8_t> decodeOk(const std::vector<uint8_t>& file) {
    std::vector<uint8_t> pixels;
    const PngInfo info = decodePng(file, pixels);
    EXPECT_EQ(info.error, 0);
    EXPECT_EQ(pixels.size(), size_t{info.width} * info.height * 4);
    return pixels;
}

// A 2 x 1 RGB 8-bit image with the given extra chunks before IDAT.
std::vector<uint8_t> tinyRgb(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& extra = {}) {
    return makePng(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}, extra);
}

// The colour types, bit depths, filters and most transparency are PngSuite's; these are the cases
// its images do not reach.
TEST(PngDecoder, AppliesPaletteAndTransparency) {
    const std::vector<uint8_t> palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    // Palette of three with tRNS of two: entries 0 and 1 get the chunk's alpha, entry 2 keeps 255.
    EXPECT_EQ(decodeOk(makePng(3, 1, 8, 3, {0, 2, 1, 0}, {{"PLTE", palette}, {"tRNS", {7, 9}}})),
              (std::vector<uint8_t>{70, 80, 90, 255, 40, 50, 60, 9, 10, 20, 30, 7}));
    // 16-bit truecolour compares whole samples, not high bytes.
    EXPECT_EQ(decodeOk(makePng(1, 1, 16, 2, {0, 1, 2, 3, 4, 5, 7}, {{"tRNS", {1, 2, 3, 4, 5, 6}}})),
              (std::vector<uint8_t>{1, 3, 5, 255}));
}

TEST(PngDecoder, RejectsShortAndMalformedHeaders) {
    EXPECT_EQ(decodeError({}), 48);
    std::vector<uint8_t> png = tinyRgb();
    EXPECT_EQ(decodeError(std::vector<uint8_t>(png.begin(), png.begin() + 28)), 27);
    std::vector<uint8_t> misspelt(png.begin(), png.begin() + 29);
    misspelt[13] = 'h';
    EXPECT_EQ(decodeError(misspelt), 29);
    std::vector<uint8_t> signature = png;
    signature[1] = 'Q';
    EXPECT_EQ(decodeError(signature), 28);

    const auto withHeaderByte = [&](size_t offset, uint8_t value) {
        std::vector<uint8_t> copy = png;
        copy[offset] = value;
        return decodeError(copy);
    };
    EXPECT_EQ(withHeaderByte(26, 1), 32);
    EXPECT_EQ(withHeaderByte(27, 1), 33);
    EXPECT_EQ(withHeaderByte(28, 2), 34);
    EXPECT_EQ(withHeaderByte(25, 1), 31);
    EXPECT_EQ(withHeaderByte(25, 7), 31);
    EXPECT_EQ(withHeaderByte(24, 4), 37); // truecolour at 4 bits
    EXPECT_EQ(withHeaderByte(24, 3), 37);
    EXPECT_EQ(decodeError(makePng(1, 1, 16, 3, {0, 0, 0})), 37); // palette at 16 bits
}

TEST(PngDecoder, RejectsImpossibleDimensions) {
    EXPECT_EQ(decodeError(makePng(0, 1, 8, 0, {})), 73);
    EXPECT_EQ(decodeError(makePng(1, 0, 8, 0, {})), 73);
    EXPECT_EQ(decodeError(makePng(MAX_PNG_DIMENSION + 1, 1, 8, 0, {})), 73);
    EXPECT_EQ(decodeError(makePng(1, MAX_PNG_DIMENSION + 1, 8, 0, {})), 73);
    EXPECT_EQ(decodeError(makePng(0xffffffffu, 0xffffffffu, 8, 6, {})), 73);
    // A million by a million needs 16 TB of texels: past half of a 32-bit address space, within a
    // 64-bit one, where it is decoded only when its data is all there.
    EXPECT_EQ(decodeError(makePng(MAX_PNG_DIMENSION, MAX_PNG_DIMENSION, 8, 6, {0, 1, 2, 3, 4})),
              sizeof(size_t) == 4 ? 73 : 70);
}

// Long, thin images are ordinary images: each side may pass 16384, the texels are what is bounded.
TEST(PngDecoder, DecodesSidesLongerThanAnyTextureUnit) {
    for (const uint32_t width : {16385u, MAX_PNG_DIMENSION}) {
        SCOPED_TRACE(width);
        std::vector<uint8_t> row(1 + width);
        for (uint32_t x = 0; x < width; ++x) {
            row[1 + x] = static_cast<uint8_t>(x * 7 + x / 256);
        }
        const std::vector<uint8_t> rgba = decodeOk(makePng(width, 1, 8, 0, row));
        ASSERT_EQ(rgba.size(), size_t{width} * 4);
        for (const uint32_t x : {0u, 16383u, 16384u, width - 1}) {
            EXPECT_EQ(rgba[4 * x], row[1 + x]) << x;
            EXPECT_EQ(rgba[4 * x + 2], row[1 + x]) << x;
            EXPECT_EQ(rgba[4 * x + 3], 255) << x;
        }
    }
    // One column as tall: the rows, each with its filter byte.
    std::vector<uint8_t> column(2 * 16385);
    for (size_t y = 0; y < 16385; ++y) {
        column[2 * y + 1] = static_cast<uint8_t>(y % 251);
    }
    const std::vector<uint8_t> tall = decodeOk(makePng(1, 16385, 8, 0, column));
    ASSERT_EQ(tall.size(), size_t{16385} * 4);
    EXPECT_EQ(tall[4 * 16384], 16384 % 251);
}

// Memory running out while decoding is error 74 and no pixels, never an exception.
TEST(PngDecoder, RunningOutOfMemoryIsErrorSeventyFour) {
    const std::vector<uint8_t> big = makePng(2000, 2000, 8, 6, std::vector<uint8_t>(2000 * 8001));
    testing::refuseAllocationsFrom(4 << 20);
    std::vector<uint8_t> pixels;
    const PngInfo info = decodePng(big, pixels);
    testing::refuseAllocationsFrom(0);
    EXPECT_EQ(info.error, 74);
    EXPECT_TRUE(pixels.empty());
    EXPECT_EQ(decodeOk(big).size(), size_t{2000} * 2000 * 4) << "and with the memory it decodes";
}

TEST(PngDecoder, RejectsBrokenChunkStructure) {
    std::vector<uint8_t> png = tinyRgb();
    EXPECT_EQ(decodeError(std::vector<uint8_t>(png.begin(), png.end() - 12)), 30); // IDAT last, no IEND

    std::vector<uint8_t> pastEnd = pngHeader(2, 1, 8, 2);
    appendBigEndian32(pastEnd, 100);
    pastEnd.insert(pastEnd.end(), {'I', 'D', 'A', 'T', 1, 2, 3});
    EXPECT_EQ(decodeError(pastEnd), 35);

    std::vector<uint8_t> huge = pngHeader(2, 1, 8, 2);
    appendBigEndian32(huge, 0x80000000u);
    huge.insert(huge.end(), {'I', 'D', 'A', 'T', 1, 2, 3});
    EXPECT_EQ(decodeError(huge), 63);

    EXPECT_EQ(decodeError(tinyRgb({{"ABCD", {1}}})), 69);
    EXPECT_EQ(decodeError(tinyRgb({{"aBCD", {1}}})), 0);
}

TEST(PngDecoder, RejectsBadPaletteAndTransparencyChunks) {
    EXPECT_EQ(decodeError(makePng(1, 1, 8, 3, {0, 0}, {{"PLTE", std::vector<uint8_t>(257 * 3, 1)}})), 38);
    EXPECT_EQ(decodeError(makePng(1, 1, 8, 3, {0, 0}, {{"PLTE", {1, 2, 3}}, {"tRNS", {1, 2}}})), 39);
    EXPECT_EQ(decodeError(makePng(1, 1, 8, 3, {0, 0}, {{"tRNS", {1}}, {"PLTE", {1, 2, 3}}})), 39);
    EXPECT_EQ(decodeError(makePng(1, 1, 8, 0, {0, 0}, {{"tRNS", {1}}})), 40);
    EXPECT_EQ(decodeError(tinyRgb({{"tRNS", {1, 2, 3, 4}}})), 41);
    EXPECT_EQ(decodeError(makePng(1, 1, 8, 6, {0, 0, 0, 0, 0}, {{"tRNS", {1, 2}}})), 42);
    EXPECT_EQ(decodeError(makePng(1, 1, 8, 4, {0, 0, 0}, {{"tRNS", {1, 2}}})), 42);
    EXPECT_EQ(decodeError(makePng(2, 1, 8, 3, {0, 0, 1}, {{"PLTE", {1, 2, 3}}})), 46);
    EXPECT_EQ(decodeError(makePng(2, 1, 1, 3, {0, 0b01000000}, {{"PLTE", {1, 2, 3}}})), 47);
}

TEST(PngDecoder, RejectsBadImageData) {
    EXPECT_EQ(decodeError(makePng(2, 1, 8, 2, {5, 1, 2, 3, 4, 5, 6})), 36);
    EXPECT_EQ(decodeError(makePng(2, 2, 8, 2, {0, 1, 2, 3, 4, 5, 6})), 70); // second row missing
    EXPECT_EQ(decodeError(makePng(2, 1, 8, 2, {})), 70);
    // Data beyond the image is ignored rather than grown without bound.
    EXPECT_EQ(decodeOk(makePng(2, 1, 8, 2, std::vector<uint8_t>(100000, 0))),
              (std::vector<uint8_t>{0, 0, 0, 255, 0, 0, 0, 255}));
    std::vector<uint8_t> png = pngHeader(2, 1, 8, 2);
    appendChunk(png, "IDAT", {0x78, 0x01, 0x07}); // block type 3
    appendChunk(png, "IEND", {});
    EXPECT_EQ(decodeError(png), 20);
}

} // namespace
} // namespace tessellune
