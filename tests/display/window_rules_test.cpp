// Which window-menu commands are offered, and the centring, zoom, fit and pointer arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "display/window_geometry.h"
#include "display/window_menu.h"

namespace {

using Scanout::MenuCommand;

// One row per window state (a 640 x 480 framebuffer) and the item numbers offered, in order. A
// zoom is offered only when strictly smaller than the screen in both directions: 4 x 640 = 2560
// and 4 x 480 = 1920 exceed 1920 x 1080, and equal is not smaller.
TEST(WindowMenu, OfferedItemsFollowTheScreenAndTheWindowState) {
    const struct {
        Scanout::MenuWindowState state;
        std::vector<int> items;
    } cases[] = {
        {{true, false, false, true, 640, 480, 1920, 1080}, {1, 2, 3, 6, 8}},
        {{true, false, false, true, 640, 480, 2561, 1921}, {1, 2, 3, 4, 6, 8}},
        {{true, false, false, true, 640, 480, 2560, 1921}, {1, 2, 3, 6, 8}},
        {{true, false, false, true, 640, 480, 1280, 2000}, {1, 2, 6, 8}},
        {{true, false, false, true, 640, 480, 1024, 768}, {1, 2, 6, 8}},
        {{true, false, false, true, 640, 480, 5200, 3900}, {1, 2, 3, 4, 5, 6, 8}},
        {{true, false, false, false, 640, 480, 1920, 1080}, {1, 2, 3, 6, 8, 9, 10}}, // Center after a move
        {{true, true, false, false, 640, 480, 1920, 1080}, {6, 8, 9, 10}},           // minimised: no zoom
        {{true, false, true, true, 640, 480, 1920, 1080}, {6, 8}},                   // maximised
        {{false, false, false, false, 640, 480, 1920, 1080}, {6, 7}},                // full screen
    };
    for (const auto& c : cases) {
        const Scanout::WindowMenu menu = Scanout::offeredMenu(c.state);
        std::vector<int> ids;
        for (int i = 0; i < menu.count; ++i) {
            ids.push_back(static_cast<int>(menu.items[i]));
        }
        EXPECT_EQ(ids, c.items) << "row " << &c - cases;
        for (int id = 1; id <= 10; ++id) {
            const bool listed = std::find(c.items.begin(), c.items.end(), id) != c.items.end();
            EXPECT_EQ(menu.offers(static_cast<MenuCommand>(id)), listed)
                << "row " << &c - cases << ", item " << id;
        }
    }
}

using Sides = std::array<int, 4>;
Sides sides(Scanout::Rect r) {
    return {r.left, r.top, r.right, r.bottom};
}

TEST(WindowGeometry, CentringNeverGoesOffTheTopLeft) {
    const Scanout::Point p = Scanout::centredPosition(656, 519, 1920, 1080);
    const Scanout::Point big = Scanout::centredPosition(2001, 1200, 1920, 1080);
    EXPECT_EQ((Sides{p.x, p.y, big.x, big.y}), (Sides{632, 280, 0, 0}));
}

TEST(WindowGeometry, ZoomKeepsTheCentreAndStaysOnScreen) {
    const Scanout::FrameInsets frame{8, 31, 8, 8};
    // Twice the size from near the corner would start off screen: pushed back to (0, 0).
    EXPECT_EQ(sides(Scanout::zoomedWindowRect({100, 100, 756, 619}, 640, 480, 2.0f, frame)),
              (Sides{0, 0, 1296, 999}));
    // Back to original size around the big window's centre (1148, 799).
    EXPECT_EQ(sides(Scanout::zoomedWindowRect({500, 300, 1796, 1299}, 640, 480, 1.0f, frame)),
              (Sides{820, 540, 1476, 1059}));
    // Client products are truncated: 641 x 1.5 = 961.5 -> 961, 481 x 1.5 = 721.5 -> 721.
    EXPECT_EQ(sides(Scanout::zoomedWindowRect({1000, 1000, 1010, 1011}, 641, 481, 1.5f, {0, 0, 0, 0})),
              (Sides{525, 645, 1486, 1366}));
}

TEST(WindowGeometry, FitKeepsTheAspectAndCentres) {
    EXPECT_EQ(sides(Scanout::fitRect(640, 480, 1280, 960)), (Sides{0, 0, 1280, 960}));
    EXPECT_EQ(sides(Scanout::fitRect(640, 480, 1000, 480)), (Sides{180, 0, 820, 480}));
    EXPECT_EQ(sides(Scanout::fitRect(640, 480, 640, 800)), (Sides{0, 160, 640, 640}));
    EXPECT_EQ(sides(Scanout::fitRect(640, 480, 0, 480)), (Sides{0, 0, 0, 480}));
}

// The plain scaling of a zoomed client is the headless host's shortcut test's.
TEST(WindowGeometry, PointerPositionsInFramebufferPixels) {
    // Through the letterbox: the centre of a wide client is the centre of the framebuffer.
    const Scanout::PointF centre = Scanout::clientToFramebuffer(500, 240, 640, 480, 1000, 480);
    EXPECT_FLOAT_EQ(centre.x, 320.0f);
    EXPECT_FLOAT_EQ(centre.y, 240.0f);
    const Scanout::PointF degenerate = Scanout::clientToFramebuffer(5, 5, 640, 480, 0, 0);
    EXPECT_FLOAT_EQ(degenerate.x, 0.0f);
}

} // namespace
