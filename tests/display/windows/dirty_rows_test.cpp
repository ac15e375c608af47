// The dirty-box row walk and the Direct3D format pairing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/windows/device_record.h"
#include "display/windows/dirty_rows.h"

namespace Scanout {
namespace {

constexpr int WIDTH = 40;
constexpr int HEIGHT = 12;

// A one-row box lands at its corner through the real display (its own test); here the walk over
// several rows, a pitch wider than the box, and the clipping.
TEST(DirtyRows, RowsAdvanceByPitchAndSourceWidth) {
    std::vector<FloatingPointPixel> source(WIDTH * HEIGHT);
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            source[static_cast<std::size_t>(y * WIDTH + x)] = {x / 64.0f, y / 64.0f, 0.0f, 1.0f};
        }
    }
    const DirtyBox box{2, 5, 3, 6};
    DirtyBox clipped{};
    ASSERT_TRUE(clipDirtyBox(&box, WIDTH, HEIGHT, clipped));
    std::vector<std::uint32_t> surface(8 * 3, 0);
    convertRows(*requestConverter(Format::XBGRFFFF, Format::XRGB8888), source.data(), 16, WIDTH, clipped,
                surface.data(), 8 * 4);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const std::uint32_t pixel = surface[static_cast<std::size_t>(row * 8 + column)];
            EXPECT_EQ(pixel >> 16, static_cast<std::uint32_t>((2 + column) * 4)) << row << "," << column;
            EXPECT_EQ((pixel >> 8) & 0xff, static_cast<std::uint32_t>((3 + row) * 4)) << row << "," << column;
        }
        EXPECT_EQ(surface[static_cast<std::size_t>(row * 8 + 3)], 0u);
    }
}

TEST(DirtyRows, BoxesAreCutToTheFramebuffer) {
    DirtyBox clipped{};
    ASSERT_TRUE(clipDirtyBox(nullptr, WIDTH, HEIGHT, clipped));
    EXPECT_EQ(clipped.xEnd, WIDTH);
    EXPECT_EQ(clipped.yEnd, HEIGHT);

    const DirtyBox outside{-5, 1000, -3, 4};
    ASSERT_TRUE(clipDirtyBox(&outside, WIDTH, HEIGHT, clipped));
    EXPECT_EQ(clipped.xBegin, 0);
    EXPECT_EQ(clipped.xEnd, WIDTH);
    EXPECT_EQ(clipped.yBegin, 0);
    EXPECT_EQ(clipped.yEnd, 4);

    const DirtyBox empty{0, WIDTH, 6, 6};
    EXPECT_FALSE(clipDirtyBox(&empty, WIDTH, HEIGHT, clipped));
    const DirtyBox inverted{30, 10, 0, 5};
    EXPECT_FALSE(clipDirtyBox(&inverted, WIDTH, HEIGHT, clipped));
    const DirtyBox beyond{50, 60, 0, 5};
    EXPECT_FALSE(clipDirtyBox(&beyond, WIDTH, HEIGHT, clipped));
}

TEST(DeviceFormats, TheTwentyFourBitSurfaceIsBlueFirst) {
    // D3DFMT_R8G8B8 keeps blue, green, red in memory: stored as BGR888, the converters write it so.
    EXPECT_EQ(storageFormat(Format::RGB888), Format::BGR888);
    EXPECT_EQ(direct3dFormat(Format::BGR888), D3DFMT_R8G8B8);
    EXPECT_EQ(direct3dFormat(Format::RGB888), D3DFMT_UNKNOWN);
    EXPECT_EQ(storageFormat(Format::XRGB8888), Format::XRGB8888);
    const TrueColorPixel red = 0x00ff0000u;
    unsigned char bytes[3] = {};
    requestConverter(Format::XRGB8888, storageFormat(Format::RGB888))->convert(&red, bytes, 1);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[2], 0xff);
}

} // namespace
} // namespace Scanout
