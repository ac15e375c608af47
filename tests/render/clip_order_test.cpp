// Clipping against the camera planes and the depth ordering of stored faces.
#include <gtest/gtest.h>

#include <cmath>

#include "scene_helpers.h"

namespace tessellune {
namespace {

using ClipTest = testing::PipelineFixture;

// Inside the view a triangle keeps its corners; one reaching past the right and top planes keeps
// the view's upper right quarter, a rectangle of two triangles.
TEST_F(ClipTest, TrianglesInsideKeepTheirCornersAndOnesCrossingACornerAreCutByBothPlanes) {
    EXPECT_EQ(submitTriangle({-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}, 63), 1);
    EXPECT_EQ(pipeline.vertexBase, 3);
    EXPECT_EQ(pipeline.faces[0].cornerCount, 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(pipeline.faces[0].vertex[k], k);
    }
    // Mask 0xffff is the same as 63: bits above the six planes are ignored.
    EXPECT_EQ(submitTriangle({-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}, 0xffff), 1);
    EXPECT_EQ(pipeline.faces[1].vertex[0], 3);
    EXPECT_EQ(pipeline.vertexBase, 6);
    EXPECT_EQ(submitTriangle({0, 0, -10, 1}, {40, 0, -10, 1}, {0, 40, -10, 1}, 63), 2);
    expectStoredCornersInside();
}

TEST_F(ClipTest, OneCornerBehindTheNearPlaneGivesTwoTrianglesOnIt) {
    EXPECT_EQ(submitTriangle({-1, 0, -5, 1}, {1, 0, -5, 1}, {0, 0, 2, 1}, 32), 2);
    EXPECT_EQ(pipeline.faceCount, 2);
    EXPECT_EQ(pipeline.vertexBase, 5);
    EXPECT_EQ(pipeline.normalBase, 5);
    EXPECT_EQ(pipeline.texcoordBase, 5);
    // Both crossings lie 3/7 of the way from (0, 0, 2), texcoord (2, -1), to a corner in front:
    // (1, 0, -5) at (1, 0) to the right, (-1, 0, -5) at (0, 1) to the left.
    for (int32_t i = 3; i < 5; ++i) {
        const Vec4 p = pipeline.vertices[i].position;
        const float toward = p.x > 0 ? 1.0f : 0.0f; // the texcoord u of that corner
        EXPECT_NEAR(p.z, -1.0f, 1e-6f);
        EXPECT_NEAR(std::fabs(p.x), 3.0f / 7.0f, 1e-6f);
        EXPECT_NEAR(pipeline.normals[i].nz, 1.0f, 1e-6f);
        EXPECT_NEAR(pipeline.texcoords[i].u, 2.0f + (toward - 2.0f) * 3.0f / 7.0f, 1e-5f);
        EXPECT_NEAR(pipeline.texcoords[i].v, -1.0f + (2.0f - toward) * 3.0f / 7.0f, 1e-5f);
    }
    expectStoredCornersInside();
}

TEST_F(ClipTest, FaceBeyondTheFarPlaneBackFacesAndNegativeMasksStoreNothing) {
    EXPECT_EQ(submitTriangle({-1, 0, -1500, 1}, {1, 0, -1500, 1}, {0, 1, -1600, 1}, 16), 0);
    EXPECT_EQ(submitTriangle({-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}, 63, 0.001f), 0);
    EXPECT_EQ(submitTriangle({-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}, 0, 0.001f), 0);
    EXPECT_EQ(submitTriangle({-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}, -1), 0);
    EXPECT_EQ(pipeline.faceCount, 0);
    // Facing exactly 0 (edge-on) is kept.
    EXPECT_EQ(submitTriangle({-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}, 63, 0.0f), 1);
}

// Faces too large to clip or naming vertices beyond the submission's are refused. In the first
// submission of the pass, corners naming normal -1 (rebased that would be index -1): the crossings
// take the face normal.
TEST_F(ClipTest, CornersWithoutANormalTakeTheFaceNormalAndBadFacesAreRefused) {
    openSubmission(pipeline);
    const int32_t v = reserveVertices(pipeline, 3);
    PipelineFace face;
    const Vec4 corners[3] = {{-1, 0, -5, 1}, {1, 0, -5, 1}, {0, 0, 2, 1}};
    for (int k = 0; k < 3; ++k) {
        pipeline.vertices[v + k].position = corners[k];
        face.vertex[k] = k;
        face.normalIndex[k] = -1;
        face.texcoord[k] = -1;
    }
    face.material = &material;
    face.cornerCount = 9;
    EXPECT_EQ(clipFace(pipeline, camera, face, {0, 0, 1, 0}, -1.0f, 63, nullptr), 0);
    face.cornerCount = 3;
    for (const int32_t outside : {3, -1}) { // past the submission's vertices, or before them
        face.vertex[1] = outside;
        for (const int32_t mask : {0, 32}) { // the unclipped store and the clipper both refuse it
            EXPECT_EQ(clipFace(pipeline, camera, face, {0, 0, 1, 0}, -1.0f, mask, nullptr), 0)
                << outside << " " << mask;
        }
    }
    face.vertex[1] = 1;
    EXPECT_EQ(clipFace(pipeline, camera, face, {0, 1, 0, 0}, -1.0f, 32, nullptr), 2);
    EXPECT_TRUE(commitSubmission(pipeline));
    EXPECT_EQ(pipeline.faceCount, 2);
    EXPECT_NEAR(pipeline.normals[0].ny, 1.0f, 1e-6f);
}

using OrderTest = testing::PipelineFixture;

// Nearest first by the nearest corner's distance in 16.16 fixed point, stable among equal keys,
// for key sets that make the radix sort run every digit pass or skip some: spread wide, differing
// in the lowest eight bits only, whole units (the low sixteen bits all 0), all equal. No faces
// leave the order untouched.
TEST_F(OrderTest, FacesComeOutNearestFirstByTheirNearestCornerAndStable) {
    pipeline.faceOrder[0] = 12345;
    sortFacesByDepth(pipeline);
    EXPECT_EQ(pipeline.faceOrder[0], 12345);
    using Distance = float (*)(int);
    const Distance families[] = {
        [](int i) { return 1.0f + static_cast<float>((i * 7919) % 997) * 0.731f; },
        [](int i) { return 1.0f + static_cast<float>((i * 37) % 256) / 65536.0f; },
        [](int i) { return 1.0f + static_cast<float>((i * 131) % 900); },
        [](int) { return 7.0f; },
    };
    for (const Distance nearest : families) {
        beginScene(pipeline);
        for (int i = 0; i < 500; ++i) {
            const float z = -nearest(i); // on a corner that takes turns; the others farther
            Vec4 c[3] = {{-1, -1, z - 1, 1}, {1, -1, z - 3, 1}, {0, 1, z - 2, 1}};
            c[i % 3].z = z;
            submitTriangle(c[0], c[1], c[2], 0);
        }
        sortFacesByDepth(pipeline);
        const int32_t* order = pipeline.faceOrder;
        const int32_t* keys = pipeline.depthKeys;
        for (int i = 0; i < 500; ++i) {
            ASSERT_EQ(keys[i], static_cast<int32_t>(static_cast<double>(nearest(i)) * 65536.0)) << i;
            ASSERT_GE(order[i], 0);
            ASSERT_LT(order[i], 500);
            if (i > 0) { // sorted, and equal keys in submission order (so no face twice)
                ASSERT_TRUE(keys[order[i - 1]] < keys[order[i]] ||
                            (keys[order[i - 1]] == keys[order[i]] && order[i - 1] < order[i]))
                    << i;
            }
        }
    }
}

} // namespace
} // namespace tessellune
