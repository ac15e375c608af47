// The track-driven camera: index rounding, clamping of bad track data, and the blend.
#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "demo/camera_tables.h"

using namespace tessellune;

// Out of range or broken track data never indexes outside the eight entries.
TEST(CameraTables, TrackValuesRoundHalfUpToAnIndexAndStayInTheTables) {
    const std::pair<float, int32_t> cases[] = {
        {2.4f, 2}, {2.5f, 3}, {-0.7f, 0},
        {0.0f, 0}, {6.6f, 7}, {-3.0f, 0},
        {7.5f, 7}, {1e9f, 7}, {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (const auto& [value, index] : cases) {
        EXPECT_EQ(keyframeIndex(value), index) << value;
    }
}

TEST(CameraTables, BlendGoesFromEntryAToEntryB) {
    const CameraKeyframes t = makeCameraKeyframes();
    Matrix4 atA, atB;
    makeFreeView(&t.position[1].x, &t.rotation[1].x, atA);
    makeFreeView(&t.position[3].x, &t.rotation[3].x, atB);
    const Matrix4 start = blendedCameraView(t, 1.0f, 3.0f, 0.0f);
    const Matrix4 end = blendedCameraView(t, 1.0f, 3.0f, 1.0f);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(start.m[i], atA.m[i]);
        EXPECT_FLOAT_EQ(end.m[i], atB.m[i]);
    }
    // Halfway between entry 5 and 6 (same rotation) the camera stands halfway along z.
    const Matrix4 half = blendedCameraView(t, 5.0f, 6.0f, 0.5f);
    EXPECT_FLOAT_EQ(half(3, 2), 0.5f * (-10.0f) + 0.5f * (-200.0f));
}
