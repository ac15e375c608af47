// The camera: planes, projection of known points, box classification and projection safety.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "scene_helpers.h"

namespace tessellune {
namespace {

constexpr float SCREEN_ASPECT = 1.3333334f;

using CameraTest = testing::PipelineFixture;

TEST_F(CameraTest, PlanesMatchTheFrustum) {
    const float expected[6][4] = {
        {-0.7924058f, 0, -0.6099943f, 0}, {0.7924058f, 0, -0.6099943f, 0}, {0, 0.8660254f, -0.5f, 0},
        {0, -0.8660254f, -0.5f, 0},       {0, 0, 1, 1000.0006f},           {0, 0, -1, -1}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(camera.planes[i].normal.x, expected[i][0], 1e-6f) << i;
        EXPECT_NEAR(camera.planes[i].normal.y, expected[i][1], 1e-6f) << i;
        EXPECT_NEAR(camera.planes[i].normal.z, expected[i][2], 1e-6f) << i;
        EXPECT_NEAR(camera.planes[i].distance, expected[i][3], 1e-3f) << i;
    }
}

// The plane test and the projection on ordinary, edge, behind-the-eye, huge and NaN points: all
// planes at once as plane by plane, and the SSE projection bit for bit as its scalar twin; the
// first points land where the frustum puts them (view +y goes up the screen).
TEST_F(CameraTest, ProjectionOfKnownPointsAndAllPlanesAtOnceAgreeWithTheirPlainForms) {
    const float t = static_cast<float>(std::tan(0.523598775));
    std::vector<Vec4> points = {{0, 0, -10, 1},
                                {t * SCREEN_ASPECT * 10, 0, -10, 1},
                                {0, 0, -1, 1},
                                {0, 0, -1000.0006f, 1},
                                {0, 0, 5, 1},
                                {1e30f, -1e30f, 0, 1},
                                {std::nanf(""), 0, -5, 1},
                                {0, t * 10, -10, 1}};
    for (int i = 0; i < 500; ++i) {
        points.push_back({std::sin(i * 1.7f) * i, std::cos(i * 0.3f) * i * 0.5f,
                          -std::fabs(std::sin(i * 0.9f)) * 3 * i + 2, 1});
    }
    for (size_t i = 0; i < points.size(); ++i) {
        pipeline.vertices[i].position = points[i];
    }
    pipeline.vertexBase = static_cast<int32_t>(points.size());
    projectVertices(camera, pipeline);
    std::vector<Vec4> simd(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        simd[i] = pipeline.vertices[i].screen;
    }
    EXPECT_FLOAT_EQ(simd[0].x, 320.0f);
    EXPECT_FLOAT_EQ(simd[0].y, 240.0f);
    EXPECT_FLOAT_EQ(simd[0].w, 10.0f);
    EXPECT_NEAR(simd[1].x, 640.0f, 1e-3f);
    EXPECT_NEAR(simd[2].z, -1.0f, 1e-6f);
    EXPECT_NEAR(simd[3].z, 1.0f, 1e-5f);
    EXPECT_NEAR(simd[7].y, 0.0f, 1e-3f);
    scalar::projectVertices(camera, pipeline);
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(std::memcmp(&simd[i], &pipeline.vertices[i].screen, sizeof(Vec4)), 0) << i;
    }
    for (const Vec4& p : points) {
        uint32_t expected = 0;
        for (int plane = 0; plane < 6; ++plane) {
            if (dot(p, camera.planes[plane].normal) + camera.planes[plane].distance >= 0.0f) {
                expected |= 1u << plane;
            }
        }
        EXPECT_EQ(insidePlanes(camera, p), expected);
        EXPECT_EQ(scalar::insidePlanes(camera, p), expected);
    }
    EXPECT_EQ(insidePlanes(camera, {0, 0, -10, 1}), 63u);
    EXPECT_EQ(insidePlanes(camera, {std::nanf(""), 0, -5, 1}) & 3u, 0u) << "NaN is inside nothing it touches";
}

TEST_F(CameraTest, ClassifiesBoxes) {
    auto box = [](float x0, float x1, float y0, float y1, float z0, float z1, Vec4 out[8]) {
        for (int k = 0; k < 8; ++k) {
            out[k] = {k & 1 ? x1 : x0, k & 2 ? y1 : y0, k & 4 ? z1 : z0, 1};
        }
    };
    Vec4 corners[8];
    box(-1, 1, -1, 1, -5, -5, corners);
    EXPECT_EQ(classifyBox(camera, corners), 0);
    box(-1, 1, -1, 1, -2000, -2000, corners);
    EXPECT_EQ(classifyBox(camera, corners), OUTSIDE);
    box(-0.1f, 0.1f, -0.1f, 0.1f, -3, -0.5f, corners);
    EXPECT_EQ(classifyBox(camera, corners), 32);
    box(-100, 1, -1, 1, -5, -4, corners);
    EXPECT_EQ(classifyBox(camera, corners), 2);
    box(-1, 1, -1, 1, 1, 3, corners); // behind the eye
    EXPECT_EQ(classifyBox(camera, corners), OUTSIDE);
}

} // namespace
} // namespace tessellune
