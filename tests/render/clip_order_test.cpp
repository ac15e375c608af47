// Clipping against the camera planes and the depth ordering of stored faces.
#include <gtest/gtest.h>

#include "scene_helpers.h"

namespace tessellune {
namespace {

using ClipTest = testing::PipelineFixture;

TEST_F(ClipTest, TriangleInsideTheViewKeepsItsCorners) {
    EXPECT_EQ(submitTriangle({-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}, 63), 1);
    EXPECT_EQ(pipeline.vertexBase, 3);
    const PipelineFace& f = pipeline.faces[0];
    EXPECT_EQ(f.cornerCount, 3);
    EXPECT_EQ(f.vertex[0], 0);
    EXPECT_EQ(f.vertex[1], 1);
    EXPECT_EQ(f.vertex[2], 2);
    // Mask 0xffff is the same as 63: bits above the six planes are ignored.
    EXPECT_EQ(submitTriangle({-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}, 0xffff), 1);
    EXPECT_EQ(pipeline.faces[1].vertex[0], 3);
    EXPECT_EQ(pipeline.vertexBase, 6);
}

TEST_F(ClipTest, OneCornerBehindTheNearPlaneGivesTwoTrianglesOnIt) {
    EXPECT_EQ(submitTriangle({-1, 0, -5, 1}, {1, 0, -5, 1}, {0, 0, 2, 1}, 32), 2);
    EXPECT_EQ(pipeline.faceCount, 2);
    EXPECT_EQ(pipeline.vertexBase, 5);
    EXPECT_EQ(pipeline.normalBase, 5);
    EXPECT_EQ(pipeline.texcoordBase, 5);
    for (int32_t i = 3; i < 5; ++i) {
        EXPECT_NEAR(pipeline.vertices[i].position.z, -1.0f, 1e-6f);
        EXPECT_NEAR(pipeline.normals[i].nz, 1.0f, 1e-6f);
    }
    // The crossing from (0, 0, 2) towards (-1, 0, -5) is 3/7 of the way: texcoords interpolate too.
    for (int32_t f = 0; f < 2; ++f) {
        for (int32_t k = 0; k < 3; ++k) {
            EXPECT_LT(pipeline.vertices[pipeline.faces[f].vertex[k]].position.z, -0.99f);
        }
    }
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

TEST_F(ClipTest, TriangleCrossingACornerOfTheViewIsCutByEveryPlaneItCrosses) {
    // Reaches past the right and top planes: the result lies inside both.
    ASSERT_GT(submitTriangle({0, 0, -10, 1}, {40, 0, -10, 1}, {0, 40, -10, 1}, 63), 0);
    for (int32_t f = 0; f < pipeline.faceCount; ++f) {
        for (int32_t k = 0; k < 3; ++k) {
            const Vec4 p = pipeline.vertices[pipeline.faces[f].vertex[k]].position;
            for (int plane = 0; plane < 6; ++plane) {
                EXPECT_GE(dot(p, camera.planes[plane].normal) + camera.planes[plane].distance, -1e-4f);
            }
        }
    }
}

TEST_F(ClipTest, CornerWithoutANormalNeverReadsOutsideTheBuffer) {
    // First submission of the pass, a corner naming normal -1: rebased it would be index -1.
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
    face.cornerCount = 3;
    face.material = &material;
    EXPECT_EQ(clipFace(pipeline, camera, face, {0, 1, 0, 0}, -1.0f, 32, nullptr), 2);
    EXPECT_TRUE(commitSubmission(pipeline));
    // The crossings took the face normal.
    EXPECT_NEAR(pipeline.normals[0].ny, 1.0f, 1e-6f);
}

TEST_F(ClipTest, FacesTooLargeToClipOrNamingForeignVerticesAreRefused) {
    openSubmission(pipeline);
    reserveVertices(pipeline, 3);
    PipelineFace face;
    face.cornerCount = 9;
    EXPECT_EQ(clipFace(pipeline, camera, face, {0, 0, 1, 0}, -1.0f, 63, nullptr), 0);
    face.cornerCount = 3;
    face.vertex[1] = 3; // beyond the submission's three vertices
    EXPECT_EQ(clipFace(pipeline, camera, face, {0, 0, 1, 0}, -1.0f, 0, nullptr), 0);
    commitSubmission(pipeline);
}

using OrderTest = testing::PipelineFixture;

TEST_F(OrderTest, NearestFirstAndEqualKeysKeepSubmissionOrder) {
    submitTriangle({-1, -1, -3, 1}, {1, -1, -3, 1}, {0, 1, -3, 1}, 0); // face 0 at 3
    submitTriangle({-1, -1, -2, 1}, {1, -1, -9, 1}, {0, 1, -9, 1}, 0); // face 1 nearest corner at 2
    submitTriangle({-1, -1, -3, 1}, {1, -1, -8, 1}, {0, 1, -3, 1}, 0); // face 2 at 3, after face 0
    submitTriangle({-1, -1, -900, 1}, {1, -1, -900, 1}, {0, 1, -990, 1}, 0);
    submitTriangle({-1, -1, -2, 1}, {1, -1, -2, 1}, {0, 1, -2, 1}, 0); // face 4 at 2, after face 1
    sortFacesByDepth(pipeline);
    const int32_t expected[5] = {1, 4, 0, 2, 3};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pipeline.faceOrder[i], expected[i]) << i;
    }
    EXPECT_EQ(pipeline.depthKeys[0], 3 * 65536);
}

TEST_F(OrderTest, KeysDifferingInOneByteOnlyStillSortFully) {
    // Keys 65536 + k: passes 1 to 3 see one digit only, so the order is settled by pass 0 alone.
    const int32_t ks[6] = {200, 3, 77, 3, 0, 255};
    for (int32_t k : ks) {
        const float z = -1.0f - static_cast<float>(k) / 65536.0f;
        submitTriangle({-1, -1, z, 1}, {1, -1, z, 1}, {0, 1, z, 1}, 0);
    }
    sortFacesByDepth(pipeline);
    const int32_t expected[6] = {4, 1, 3, 2, 0, 5};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pipeline.faceOrder[i], expected[i]) << i;
    }
    EXPECT_EQ(pipeline.depthKeys[5], 65536 + 255);
    // All keys equal: every pass is skipped and submission order stays.
    beginScene(pipeline);
    for (int i = 0; i < 4; ++i) {
        submitTriangle({-1, -1, -7, 1}, {1, -1, -7, 1}, {0, 1, -7, 1}, 0);
    }
    sortFacesByDepth(pipeline);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pipeline.faceOrder[i], i);
    }
}

// Sorted by key, and stable among equal keys; no faces leave the order untouched.
TEST_F(OrderTest, ManyRandomDepthsComeOutSortedAndStable) {
    pipeline.faceOrder[0] = 12345;
    sortFacesByDepth(pipeline);
    EXPECT_EQ(pipeline.faceOrder[0], 12345);
    for (int i = 0; i < 500; ++i) {
        const float z = -1.0f - static_cast<float>((i * 7919) % 997) * 0.731f;
        submitTriangle({-1, -1, z, 1}, {1, -1, z, 1}, {0, 1, z, 1}, 0);
    }
    sortFacesByDepth(pipeline);
    for (int i = 1; i < pipeline.faceCount; ++i) {
        const int32_t a = pipeline.depthKeys[pipeline.faceOrder[i - 1]];
        const int32_t b = pipeline.depthKeys[pipeline.faceOrder[i]];
        ASSERT_LE(a, b);
        if (a == b) {
            ASSERT_LT(pipeline.faceOrder[i - 1], pipeline.faceOrder[i]);
        }
    }
}

} // namespace
} // namespace tessellune
