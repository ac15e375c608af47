// The presentation format attempt orders and the full-screen mode choice.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "display/format_choice.h"

namespace {

using Scanout::ModeSize;

std::vector<std::pair<int, int>> attempts(Scanout::Mode mode) {
    const Scanout::DeviceAttemptList list = Scanout::deviceAttempts(mode);
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < list.count; ++i) {
        out.emplace_back(static_cast<int>(list.items[i].format), static_cast<int>(list.items[i].kind));
    }
    return out;
}

std::vector<int> textures(Scanout::Mode mode) {
    const Scanout::FormatList list = Scanout::textureFormats(mode);
    return std::vector<int>(reinterpret_cast<const int*>(list.items),
                            reinterpret_cast<const int*>(list.items) + list.count);
}

TEST(FormatChoice, IntegerFormatsHardwareFirstAndFloatsFirstForFloatingPoint) {
    EXPECT_EQ(attempts(Scanout::Mode::TrueColor),
              (std::vector<std::pair<int, int>>{{1, 0}, {2, 0}, {3, 0}, {5, 0}, {7, 0}, {1, 1}}));
    EXPECT_EQ(textures(Scanout::Mode::TrueColor), (std::vector<int>{1, 2, 3, 5, 7}));
    // Floating point puts the floats first in each list.
    EXPECT_EQ(
        attempts(Scanout::Mode::FloatingPoint),
        (std::vector<std::pair<int, int>>{{9, 0}, {1, 0}, {2, 0}, {3, 0}, {5, 0}, {7, 0}, {9, 1}, {1, 1}}));
    EXPECT_EQ(textures(Scanout::Mode::FloatingPoint), (std::vector<int>{9, 1, 2, 3, 5, 7}));
}

TEST(FullscreenMode, SmallestThatHoldsTheFramebufferLaterEqualWins) {
    const std::vector<ModeSize> modes{{320, 240},  {800, 600}, {640, 480},
                                      {1024, 768}, {640, 480}, {640, 400}};
    EXPECT_EQ(Scanout::chooseFullscreenMode(modes, 640, 480), 4);
    EXPECT_EQ(Scanout::chooseFullscreenMode(std::vector<ModeSize>{{800, 600}, {1024, 768}}, 640, 480), 0);
    EXPECT_EQ(Scanout::chooseFullscreenMode(std::vector<ModeSize>{{1024, 768}, {800, 600}}, 640, 480), 1);
    // A mode narrower but taller does not replace the choice: both sides must be no greater.
    EXPECT_EQ(Scanout::chooseFullscreenMode(std::vector<ModeSize>{{1024, 600}, {800, 768}}, 640, 480), 0);
    EXPECT_EQ(Scanout::chooseFullscreenMode(std::vector<ModeSize>{{320, 240}, {640, 479}}, 640, 480), -1);
    EXPECT_EQ(Scanout::chooseFullscreenMode({}, 640, 480), -1);
}

} // namespace
