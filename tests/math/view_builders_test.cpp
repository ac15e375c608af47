// Placement, free view and look-at: the builders the scenes and cameras stand on.
#include <gtest/gtest.h>

#include "math/matrix4.h"

using namespace tessellune;

namespace {

void expectNear(const Vec4& v, float x, float y, float z, float eps = 1e-5f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

constexpr float HALF_PI = 1.57079632679f;

} // namespace

TEST(ViewBuilders, PlacementRotatesThenMovesButFreeViewMovesThenRotates) {
    const float t[3] = {10, 0, 0};
    const float angles[3] = {0, 0, HALF_PI};
    Matrix4 placement, freeView;
    makePlacement(t, angles, placement);
    makeFreeView(t, angles, freeView);
    // (1,0,0): placement turns it to (0,1,0) and moves it to (10,1,0); free view moves it to
    // (11,0,0) first, then turns it to (0,11,0).
    expectNear(transformPoint(placement, 1, 0, 0), 10, 1, 0);
    expectNear(transformPoint(freeView, 1, 0, 0), 0, 11, 0);
}

// What is ahead lands at negative z and world up stays view up (looking down -z only the eye's
// offset remains); looking straight down the x axis is up, straight up it is the up vector
// (D.y, 0, 0) crossed twice, and nearly vertical views (below the epsilon) stay finite.
TEST(ViewBuilders, LookAtPutsWhatIsAheadAtNegativeZEvenLookingStraightUpOrDown) {
    const struct {
        Vec4 eye, direction, world, seen;
    } cases[] = {
        {{4, 5, 6, 1}, {0, 0, -1, 0}, {5, 7, 3, 1}, {1, 2, -3, 1}},
        {{0, 0, 0, 1}, {1, 0, 0, 0}, {7, 0, 0, 1}, {0, 0, -7, 1}},
        {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 2, 0, 1}, {0, 2, 0, 1}},
        {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 0, 3, 1}, {3, 0, 0, 1}}, // +z world is to the right
        {{1, 10, 2, 1}, {0, -1, 0, 0}, {1, 5, 2, 1}, {0, 0, -5, 1}},
        {{1, 10, 2, 1}, {0, -1, 0, 0}, {0, 10, 2, 1}, {0, 1, 0, 1}}, // u = (-1, 0, 0)
        {{1, 10, 2, 1}, {0, -1, 0, 0}, {1, 10, 1, 1}, {1, 0, 0, 1}}, // s = (0, 0, -1)
        {{0, 0, 0, 1}, {0, 1, 0, 0}, {0, 3, 0, 1}, {0, 0, -3, 1}},
        {{0, 0, 0, 1}, {0, 1, 0, 0}, {1, 0, 0, 1}, {0, 1, 0, 1}}, // u = (1, 0, 0)
        {{0, 0, 0, 1}, {LOOKAT_EPSILON / 10, -1, 0, 0}, {0, -4, 0, 1}, {0, 0, -4, 1}},
    };
    for (const auto& c : cases) {
        Matrix4 view;
        makeLookAt(&c.eye.x, c.direction, view);
        expectNear(transformPoint(view, c.world), c.seen.x, c.seen.y, c.seen.z);
        for (float e : view.m) {
            EXPECT_TRUE(std::isfinite(e));
        }
    }
}
