// Which window-menu commands are offered, and the centring, zoom, fit and pointer arithmetic.
#include <gtest/gtest.h>

#include <vector>

#include "display/window_geometry.h"
#include "display/window_menu.h"

namespace {

using Scanout::MenuCommand;
using Scanout::MenuWindowState;

std::vector<int> items(const Scanout::WindowMenu& menu) {
    std::vector<int> ids;
    for (int i = 0; i < menu.count; ++i) {
        ids.push_back(static_cast<int>(menu.items[i]));
    }
    return ids;
}

MenuWindowState windowedOn(int screenWidth, int screenHeight, bool centred) {
    return MenuWindowState{true, false, false, centred, 640, 480, screenWidth, screenHeight};
}

TEST(WindowMenu, ZoomsOfferedOnlyWhenStrictlySmallerThanTheScreen) {
    // 4 x 640 = 2560 and 4 x 480 = 1920 exceed 1920 x 1080: Original Size and 2x only.
    EXPECT_EQ(items(Scanout::offeredMenu(windowedOn(1920, 1080, true))), (std::vector<int>{1, 2, 3, 6, 8}));
    EXPECT_EQ(items(Scanout::offeredMenu(windowedOn(2561, 1921, true))),
              (std::vector<int>{1, 2, 3, 4, 6, 8}));
    // Equal is not smaller, in either direction.
    EXPECT_EQ(items(Scanout::offeredMenu(windowedOn(2560, 1921, true))), (std::vector<int>{1, 2, 3, 6, 8}));
    EXPECT_EQ(items(Scanout::offeredMenu(windowedOn(1280, 2000, true))), (std::vector<int>{1, 2, 6, 8}));
    EXPECT_EQ(items(Scanout::offeredMenu(windowedOn(1024, 768, true))), (std::vector<int>{1, 2, 6, 8}));
    EXPECT_EQ(items(Scanout::offeredMenu(windowedOn(5200, 3900, true))),
              (std::vector<int>{1, 2, 3, 4, 5, 6, 8}));
}

TEST(WindowMenu, CenterReturnsAfterTheWindowMoved) {
    EXPECT_FALSE(Scanout::offeredMenu(windowedOn(1920, 1080, true)).offers(MenuCommand::Center));
    const Scanout::WindowMenu moved = Scanout::offeredMenu(windowedOn(1920, 1080, false));
    EXPECT_EQ(items(moved), (std::vector<int>{1, 2, 3, 6, 8, 9, 10}));
    EXPECT_TRUE(moved.offers(MenuCommand::Center));
}

TEST(WindowMenu, MinimisedMaximisedAndFullScreenOfferNoZoom) {
    MenuWindowState minimised = windowedOn(1920, 1080, false);
    minimised.minimized = true;
    EXPECT_EQ(items(Scanout::offeredMenu(minimised)), (std::vector<int>{6, 8, 9, 10}));
    MenuWindowState maximised = windowedOn(1920, 1080, true);
    maximised.maximized = true;
    EXPECT_EQ(items(Scanout::offeredMenu(maximised)), (std::vector<int>{6, 8}));
    MenuWindowState full = windowedOn(1920, 1080, false);
    full.windowed = false;
    const Scanout::WindowMenu menu = Scanout::offeredMenu(full);
    EXPECT_EQ(items(menu), (std::vector<int>{6, 7}));
    EXPECT_FALSE(menu.offers(MenuCommand::OriginalSize));
    EXPECT_TRUE(menu.offers(MenuCommand::Windowed));
}

TEST(WindowGeometry, CentringNeverGoesOffTheTopLeft) {
    const Scanout::Point p = Scanout::centredPosition(656, 519, 1920, 1080);
    EXPECT_EQ(p.x, 632);
    EXPECT_EQ(p.y, 280);
    const Scanout::Point big = Scanout::centredPosition(2001, 1200, 1920, 1080);
    EXPECT_EQ(big.x, 0);
    EXPECT_EQ(big.y, 0);
}

void expectRect(Scanout::Rect r, int left, int top, int right, int bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

TEST(WindowGeometry, ZoomKeepsTheCentreAndStaysOnScreen) {
    const Scanout::FrameInsets frame{8, 31, 8, 8};
    // Twice the size from near the corner would start off screen: pushed back to (0, 0).
    expectRect(Scanout::zoomedWindowRect({100, 100, 756, 619}, 640, 480, 2.0f, frame), 0, 0, 1296, 999);
    // Back to original size around the big window's centre (1148, 799).
    expectRect(Scanout::zoomedWindowRect({500, 300, 1796, 1299}, 640, 480, 1.0f, frame), 820, 540, 1476,
               1059);
    // Client products are truncated: 641 x 1.5 = 961.5 -> 961, 481 x 1.5 = 721.5 -> 721.
    expectRect(Scanout::zoomedWindowRect({1000, 1000, 1010, 1011}, 641, 481, 1.5f, {0, 0, 0, 0}), 525, 645,
               1486, 1366);
}

TEST(WindowGeometry, FitKeepsTheAspectAndCentres) {
    expectRect(Scanout::fitRect(640, 480, 1280, 960), 0, 0, 1280, 960);
    expectRect(Scanout::fitRect(640, 480, 1000, 480), 180, 0, 820, 480);
    expectRect(Scanout::fitRect(640, 480, 640, 800), 0, 160, 640, 640);
    expectRect(Scanout::fitRect(640, 480, 0, 480), 0, 0, 0, 480);
}

TEST(WindowGeometry, PointerPositionsInFramebufferPixels) {
    const Scanout::PointF p = Scanout::clientToFramebuffer(100, 50, 640, 480, 1280, 960);
    EXPECT_FLOAT_EQ(p.x, 50.0f);
    EXPECT_FLOAT_EQ(p.y, 25.0f);
    // Through the letterbox: the centre of a wide client is the centre of the framebuffer.
    const Scanout::PointF centre = Scanout::clientToFramebuffer(500, 240, 640, 480, 1000, 480);
    EXPECT_FLOAT_EQ(centre.x, 320.0f);
    EXPECT_FLOAT_EQ(centre.y, 240.0f);
    const Scanout::PointF degenerate = Scanout::clientToFramebuffer(5, 5, 640, 480, 0, 0);
    EXPECT_FLOAT_EQ(degenerate.x, 0.0f);
}

} // namespace
