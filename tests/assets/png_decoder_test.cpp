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

// Long, thin images are ordinary images: each side may pass 16384, the texels are what is bounded.
TEST(PngDecoder, DecodesSidesLongerThanAnyTextureUnit) {
    const auto grey = [](size_t i) { return static_cast<uint8_t>(i * 7 + i / 256); };
    for (const auto& [width, height] : {std::pair{16385u, 1u}, {MAX_PNG_DIMENSION, 1u}, {1u, 16385u}}) {
        SCOPED_TRACE(::testing::Message() << width << " x " << height);
        std::vector<uint8_t> rows; // each row: filter byte 0, then its samples
        for (size_t i = 0; i < size_t{width} * height; ++i) {
            if (i % width == 0) {
                rows.push_back(0);
            }
            rows.push_back(grey(i));
        }
        const std::vector<uint8_t> rgba = decodeOk(makePng(width, height, 8, 0, rows));
        ASSERT_EQ(rgba.size(), size_t{width} * height * 4);
        for (const size_t i : {size_t{0}, size_t{16383}, size_t{16384}, size_t{width} * height - 1}) {
            EXPECT_EQ(rgba[4 * i], grey(i)) << i;
            EXPECT_EQ(rgba[4 * i + 2], grey(i)) << i;
            EXPECT_EQ(rgba[4 * i + 3], 255) << i;
        }
    }
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

// One row per broken file: what is wrong, the file, and the error number the decoder must give.
TEST(PngDecoder, RejectsBrokenFilesWithTheirErrorNumbers) {
    const std::vector<uint8_t> png = tinyRgb();
    // The first `keep` bytes of the sound file, with one byte changed.
    const auto edited = [&](size_t keep, size_t offset, uint8_t value) {
        std::vector<uint8_t> copy(png.begin(), png.begin() + std::ptrdiff_t(keep));
        copy[offset] = value;
        return copy;
    };
    // A header, then a chunk claiming `length` bytes of which three follow.
    const auto claiming = [](uint32_t length) {
        std::vector<uint8_t> file = pngHeader(2, 1, 8, 2);
        appendBigEndian32(file, length);
        file.insert(file.end(), {'I', 'D', 'A', 'T', 1, 2, 3});
        return file;
    };
    std::vector<uint8_t> blockType3 = pngHeader(2, 1, 8, 2);
    appendChunk(blockType3, "IDAT", {0x78, 0x01, 0x07});
    appendChunk(blockType3, "IEND", {});
    const std::vector<uint8_t> plte = {1, 2, 3};
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        int32_t error;
    } cases[] = {
        {"empty", {}, 48},
        {"cut inside IHDR", edited(28, 0, 137), 27},
        {"signature", edited(png.size(), 1, 'Q'), 28},
        {"IHDR misspelt", edited(29, 13, 'h'), 29},
        {"IDAT last, no IEND", edited(png.size() - 12, 0, 137), 30},
        {"colour type 1", edited(png.size(), 25, 1), 31},
        {"colour type 7", edited(png.size(), 25, 7), 31},
        {"compression method 1", edited(png.size(), 26, 1), 32},
        {"filter method 1", edited(png.size(), 27, 1), 33},
        {"interlace method 2", edited(png.size(), 28, 2), 34},
        {"truecolour at 4 bits", edited(png.size(), 24, 4), 37},
        {"truecolour at 3 bits", edited(png.size(), 24, 3), 37},
        {"palette at 16 bits", makePng(1, 1, 16, 3, {0, 0, 0}), 37},
        {"a chunk past the end", claiming(100), 35},
        {"a chunk longer than 2^31 - 1", claiming(0x80000000u), 63},
        {"an unknown critical chunk", tinyRgb({{"ABCD", {1}}}), 69},
        {"an unknown ancillary chunk", tinyRgb({{"aBCD", {1}}}), 0},
        {"width 0", makePng(0, 1, 8, 0, {}), 73},
        {"height 0", makePng(1, 0, 8, 0, {}), 73},
        {"too wide", makePng(MAX_PNG_DIMENSION + 1, 1, 8, 0, {}), 73},
        {"too tall", makePng(1, MAX_PNG_DIMENSION + 1, 8, 0, {}), 73},
        {"2^32 - 1 square", makePng(0xffffffffu, 0xffffffffu, 8, 6, {}), 73},
        // 16 TB of texels: past half of a 32-bit address space, within a 64-bit one, where it is
        // decoded only when its data is all there.
        {"a million square", makePng(MAX_PNG_DIMENSION, MAX_PNG_DIMENSION, 8, 6, {0, 1, 2, 3, 4}),
         sizeof(size_t) == 4 ? 73 : 70},
        {"257 palette entries", makePng(1, 1, 8, 3, {0, 0}, {{"PLTE", std::vector<uint8_t>(257 * 3, 1)}}),
         38},
        {"more alphas than entries", makePng(1, 1, 8, 3, {0, 0}, {{"PLTE", plte}, {"tRNS", {1, 2}}}), 39},
        {"tRNS before PLTE", makePng(1, 1, 8, 3, {0, 0}, {{"tRNS", {1}}, {"PLTE", plte}}), 39},
        {"grey tRNS of one byte", makePng(1, 1, 8, 0, {0, 0}, {{"tRNS", {1}}}), 40},
        {"truecolour tRNS of four bytes", tinyRgb({{"tRNS", {1, 2, 3, 4}}}), 41},
        {"tRNS with alpha", makePng(1, 1, 8, 6, {0, 0, 0, 0, 0}, {{"tRNS", {1, 2}}}), 42},
        {"tRNS with grey and alpha", makePng(1, 1, 8, 4, {0, 0, 0}, {{"tRNS", {1, 2}}}), 42},
        {"index past the palette", makePng(2, 1, 8, 3, {0, 0, 1}, {{"PLTE", plte}}), 46},
        {"1-bit index past the palette", makePng(2, 1, 1, 3, {0, 0b01000000}, {{"PLTE", plte}}), 47},
        {"filter type 5", makePng(2, 1, 8, 2, {5, 1, 2, 3, 4, 5, 6}), 36},
        {"second row missing", makePng(2, 2, 8, 2, {0, 1, 2, 3, 4, 5, 6}), 70},
        {"no image data", makePng(2, 1, 8, 2, {}), 70},
        {"block type 3", blockType3, 20},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> pixels;
        EXPECT_EQ(decodePng(c.file, pixels).error, c.error) << c.what;
    }
    // Data beyond the image is ignored rather than grown without bound.
    EXPECT_EQ(decodeOk(makePng(2, 1, 8, 2, std::vector<uint8_t>(100000, 0))),
              (std::vector<uint8_t>{0, 0, 0, 255, 0, 0, 0, 255}));
}

} // namespace
} // namespace tessellune
