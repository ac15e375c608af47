// The ground square seen from just above it through the whole pipeline (submission, near-plane
// clipping, projection, bands): every pixel whose ray meets the square well inside the view is
// drawn with a depth, checked against rays cast in double. Faces cut by the near plane reach far
// off the screen here, which once made whole faces lose their depth and vanish.
#include <gtest/gtest.h>

#include <cmath>

#include "render/band.h"
#include "render/submit.h"
#include "scene_helpers.h"
#include "test_targets.h"

namespace tessellune {
namespace {

// Counts the pixels that should be covered by the 500 x 500 ground square, and those undrawn.
struct LowView : testing::PipelineFixture {
    int expected = 0, missing = 0;
    void renderAndCount(float height, float pitch, float yaw, float roll);
};

void LowView::renderAndCount(float height, float pitch, float yaw, float roll) {
    expected = missing = 0;
    beginScene(pipeline);
    const float eye[3] = {0.0f, height, 0.0f};
    const float back[3] = {-eye[0], -eye[1], -eye[2]};
    const float angles[3] = {pitch, yaw, roll};
    Matrix4 view;
    makeFreeView(back, angles, view);
    const TexCoord corners[4] = {};
    submitGround(pipeline, camera, Matrix4{}, view, corners, &material);
    projectVertices(camera, pipeline);
    sortFacesByDepth(pipeline);
    testing::Targets targets(640, 480);
    renderBand(pipeline, 0, 480, targets.colour, targets.depth);

    // The screen mapping read back from the camera: X = cx + sx x / -z, Y = cy - sy y / -z.
    const Vec4 o = transformPoint(camera.screen, 0, 0, -1), ux = transformPoint(camera.screen, 1, 0, -1),
               uy = transformPoint(camera.screen, 0, 1, -1);
    const double cx = o.x / o.w, cy = o.y / o.w, sx = ux.x / ux.w - cx, sy = cy - uy.y / uy.w;
    const Matrix4 r = eulerRotation(pitch, yaw, roll); // view direction = world direction . r
    // The ray through screen point (x, y) meets the square at view distance t, point (hx, hz).
    const auto meets = [&](double x, double y, double& t, double& hx, double& hz) {
        const double d[3] = {(x - cx) / sx, -(y - cy) / sy, -1.0};
        double w[3]; // world direction = d . r^T (r is a rotation)
        for (int i = 0; i < 3; ++i) {
            w[i] = d[0] * r(i, 0) + d[1] * r(i, 1) + d[2] * r(i, 2);
        }
        if (w[1] >= 0.0) {
            return false; // at or above the horizon
        }
        t = -height / w[1]; // along d, so t is the view-space distance -z
        hx = t * w[0];
        hz = t * w[2];
        return t > 1.0 && t < 1000.0 && std::fabs(hx) < 250.0 && std::fabs(hz) < 250.0;
    };
    for (int32_t y = 0; y < 480; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            // Only pixels whose whole 5 x 5 neighbourhood sees the square, away from the near
            // plane: at grazing angles a unit of ground is a fraction of a pixel, and float
            // rounding may move an edge by that much.
            double t = 0, hx = 0, hz = 0;
            bool clear = true;
            for (int dy = -2; dy <= 2 && clear; ++dy) {
                for (int dx = -2; dx <= 2 && clear; ++dx) {
                    clear = meets(x + dx, y + dy, t, hx, hz) && t > 1.5;
                }
            }
            if (!clear) {
                continue;
            }
            ++expected;
            missing += targets.depthAt(x, y) == 0 || targets.at(x, y).w == 0.0f;
        }
    }
}

TEST_F(LowView, EveryPixelOfTheGroundIsDrawnFromJustAboveIt) {
    material.shaderType = Baked;
    material.ambient = {1, 1, 1, 1};
    int views = 0;
    for (float height : {0.15f, 0.6f, 3.0f}) {
        for (float pitch : {-0.05f, -0.3f, -1.2f}) {
            for (float roll : {0.0f, 0.4f, -1.1f}) {
                for (float yaw : {0.0f, 2.2f}) {
                    renderAndCount(height, pitch, yaw, roll);
                    if (expected == 0) {
                        continue;
                    }
                    ++views;
                    EXPECT_EQ(missing, 0) << "of " << expected << " pixels, height " << height << " pitch "
                                          << pitch << " roll " << roll << " yaw " << yaw;
                }
            }
        }
    }
    EXPECT_GT(views, 40);
}

} // namespace
} // namespace tessellune
