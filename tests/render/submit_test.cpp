// Mesh and procedural-shape submission: transforms, back faces, masks, overrides and counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/mesh_framing.h"
#include "render/mesh_normals.h"
#include "render/submit.h"
#include "scene_helpers.h"

namespace tessellune {
namespace {

using SubmitTest = testing::PipelineFixture;

// Two triangles of a unit square in the xy plane, normal +z, each corner with its own normal.
Mesh makeSquareMesh() {
    Mesh mesh;
    const Vec4 positions[4] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}};
    for (const Vec4& p : positions) {
        MeshVertex v;
        v.position = p;
        v.occlusion = 0.5f;
        mesh.vertices.push_back(v);
    }
    mesh.normals = {{0, 0, 1, 0}};
    mesh.texcoords = {TexCoord{}, TexCoord{0.25f, 0.75f}};
    for (const PipelineFace& face :
         {testing::meshTriangle(0, 1, 2, {0, 0, 1, 0}, &mesh.defaultMaterial, 0, 1),
          testing::meshTriangle(0, 2, 3, {0, 0, 1, 0}, &mesh.defaultMaterial, 0, 1)}) {
        mesh.faces.push_back(face);
        mesh.faces.back().carried = 42;
    }
    for (int k = 0; k < 8; ++k) {
        mesh.boxCorners[k] = {k & 1 ? 1.0f : 0.0f, k & 2 ? 1.0f : 0.0f, 0.0f, 1.0f};
    }
    return mesh;
}

TEST_F(SubmitTest, MeshWithMaskZeroStoresEveryFrontFaceRebased) {
    Mesh mesh = makeSquareMesh();
    mesh.faces[1].normalIndex[0] = -1; // a corner without a normal lights with the face normal
    mesh.translation = translationMatrix(0, 0, -10);
    updateWorldMatrix(mesh);
    submitCube(pipeline, camera, translationMatrix(0, 0, -20), Matrix4{}, 1.0f,
               &material); // something before
    const int32_t v0 = pipeline.vertexBase, t0 = pipeline.texcoordBase, n0 = pipeline.normalBase;
    const int32_t f0 = pipeline.faceCount;
    ASSERT_TRUE(submitMesh(mesh, Matrix4{}, camera, pipeline, 0, nullptr));
    ASSERT_EQ(pipeline.faceCount, f0 + 2);
    const PipelineFace& f = pipeline.faces[f0 + 1];
    EXPECT_EQ(f.vertex[1], v0 + 2);
    EXPECT_EQ(f.texcoord[0], t0 + 1);
    EXPECT_EQ(f.normalIndex[2], n0);
    EXPECT_EQ(f.normalIndex[0], -1); // rebased it would name the cube's last normal
    EXPECT_EQ(f.material, &mesh.defaultMaterial);
    EXPECT_EQ(f.carried, 42);
    EXPECT_EQ(f.normal.z, 1.0f);
    EXPECT_LT(f.facing, 0.0f);
    EXPECT_EQ(pipeline.vertices[v0 + 1].position.x, 1.0f);
    EXPECT_EQ(pipeline.vertices[v0 + 1].position.z, -10.0f);
    EXPECT_EQ(pipeline.vertices[v0 + 1].occlusion, 0.5f);
    EXPECT_EQ(pipeline.texcoords[t0 + 1].u, 0.25f);
}

TEST_F(SubmitTest, CubeInsideTheViewGivesTwelveTriangles) {
    ASSERT_TRUE(submitCube(pipeline, camera, translationMatrix(0, 0, -10), Matrix4{}, 2.0f, &material));
    EXPECT_EQ(pipeline.vertexBase, 8);
    EXPECT_EQ(pipeline.normalBase, 6);
    EXPECT_EQ(pipeline.texcoordBase, 1);
    EXPECT_EQ(pipeline.faceCount, 12);
    // Every side counter-clockwise seen from outside: its face normal points away from the centre.
    for (int32_t f = 0; f < 12; ++f) {
        const PipelineFace& face = pipeline.faces[f];
        const Vec4 a = pipeline.vertices[face.vertex[0]].position;
        const Vec4 b = pipeline.vertices[face.vertex[1]].position;
        const Vec4 c = pipeline.vertices[face.vertex[2]].position;
        const Vec4 n = cross(sub(b, a), sub(c, a));
        EXPECT_GT(dot(n, face.normal), 0.0f) << f;
        EXPECT_EQ(face.material, &material);
    }
}

// The procedural calls name the submission's own vertices, with texture coordinate 0 in every
// corner or, for the fan, vertex 0 and texture coordinate 1 in corner 0; both copy the named normal
// as the face normal, carry 0 and face 0, so even the clockwise fan triangle here is kept.
TEST_F(SubmitTest, EmittedTrianglesTakeTheirIndicesFromTheArguments) {
    openSubmission(pipeline);
    const int32_t v = reserveVertices(pipeline, 3);
    const int32_t n = reserveNormals(pipeline, 2);
    reserveTexcoords(pipeline, 3);
    const Vec4 corners[3] = {{-1, -1, -10, 1}, {1, -1, -10, 1}, {0, 1, -10, 1}};
    for (int k = 0; k < 3; ++k) {
        pipeline.vertices[v + k].position = corners[k];
    }
    pipeline.normals[n + 1] = {0, 0, 1, 0};
    emitTriangle(pipeline, camera, 0, 1, 2, 1, &material);
    emitFanTriangle(pipeline, camera, 2, 1, 2, 1, 1, &material);
    ASSERT_TRUE(commitSubmission(pipeline));
    ASSERT_EQ(pipeline.faceCount, 2);
    const PipelineFace &emitted = pipeline.faces[0], &fan = pipeline.faces[1];
    const int32_t fanVertex[3] = {0, 2, 1}, fanTexcoord[3] = {1, 2, 1};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(emitted.vertex[k], k);
        EXPECT_EQ(emitted.normalIndex[k], 1);
        EXPECT_EQ(emitted.texcoord[k], 0);
        EXPECT_EQ(fan.vertex[k], fanVertex[k]);
        EXPECT_EQ(fan.texcoord[k], fanTexcoord[k]);
    }
    EXPECT_EQ(emitted.normal.z, 1.0f);
    EXPECT_EQ(fan.facing, 0.0f);
    EXPECT_EQ(emitted.carried, 0);
    EXPECT_EQ(fan.material, &material);
}

TEST_F(SubmitTest, AMeshCrossingTheViewIsClippedLikeAnyTriangle) {
    // Half of this square lies left of the view: its triangles there are cut, and every stored
    // corner is inside every plane.
    const float t = static_cast<float>(std::tan(0.523598775)) * (640.0f / 480.0f) * 10.0f;
    Mesh square = makeSquareMesh();
    square.translation = translationMatrix(-t - 0.5f, 0, -10);
    updateWorldMatrix(square);
    ASSERT_TRUE(submitMesh(square, Matrix4{}, camera, pipeline, CLIP_ALL_PLANES, nullptr));
    EXPECT_GT(pipeline.vertexBase, 4); // the left plane cut it
    EXPECT_GT(pipeline.faceCount, 0);
    expectStoredCornersInside();
}

TEST_F(SubmitTest, QuadAndGroundAppendTheirRecords) {
    ASSERT_TRUE(
        submitQuad(pipeline, camera, translationMatrix(-1, -1, -10), Matrix4{}, 3.0f, 2.0f, &material));
    EXPECT_EQ(pipeline.faceCount, 2);
    EXPECT_EQ(pipeline.vertices[2].position.x, 1.0f); // width 2 along x
    EXPECT_EQ(pipeline.vertices[2].position.y, 2.0f); // height 3 along y
    const TexCoord corners[4] = {{2, 2}, {0, 2}, {0, 0}, {2, 0}};
    // Stood upright 700 units away the whole square is in view: nothing is clipped.
    const float position[3] = {0, 0, -700};
    const float upright[3] = {1.5707964f, 0, 0};
    Matrix4 placement;
    makePlacement(position, upright, placement);
    const int32_t t0 = pipeline.texcoordBase;
    ASSERT_TRUE(submitGround(pipeline, camera, placement, Matrix4{}, corners, &material));
    EXPECT_EQ(pipeline.texcoordBase - t0, 5);
    EXPECT_EQ(pipeline.texcoords[t0].u, 0.0f);
    EXPECT_EQ(pipeline.texcoords[t0 + 1].u, 2.0f);
    ASSERT_EQ(pipeline.faceCount, 4);
    // Texture coordinate k + 1 belongs to vertex k: corner 0 of both fan triangles takes the first.
    for (int32_t f = 2; f < 4; ++f) {
        const PipelineFace& face = pipeline.faces[f];
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(face.texcoord[k] - t0, face.vertex[k] - pipeline.faces[2].vertex[0] + 1);
        }
    }
}

TEST_F(SubmitTest, PreviewFramesTheMeshInTheMiddleOfTheView) {
    Mesh mesh = makeSquareMesh();
    for (int k = 0; k < 8; ++k) {
        mesh.boxCorners[k] = {k & 1 ? 41.0f : 1.0f, k & 2 ? 120.0f : 100.0f, k & 4 ? -3.0f : -5.0f, 1.0f};
    }
    MeshFraming setup;
    frameMeshInView(mesh, 0.0f, 0.5f, setup);
    transformBoxCorners(mesh, setup.view);
    EXPECT_EQ(classifyBox(camera, mesh.transformedBoxCorners), 0) << "wholly inside the view";
    float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
    for (const Vec4& corner : mesh.transformedBoxCorners) {
        const Vec4 p = transformPoint(camera.screen, corner); // on the screen at (x, y) / w
        left = std::min(left, p.x / p.w), right = std::max(right, p.x / p.w);
        top = std::min(top, p.y / p.w), bottom = std::max(bottom, p.y / p.w);
    }
    EXPECT_NEAR((left + right) * 0.5f, 320.0f, 1.0f);
    EXPECT_NEAR((top + bottom) * 0.5f, 240.0f, 1.0f);
    // Scaled to 10 units and pushed back by half of that, the 40-unit extent covers somewhat less
    // than half of the 480 rows; its box stays far beyond the near plane.
    EXPECT_EQ(mesh.scale, 0.25f);
    EXPECT_GT(right - left, 150.0f);
    EXPECT_LT(right - left, 240.0f);
    EXPECT_GT(setup.distance, 15.0f);
    EXPECT_GT(setup.light.diffuseIntensity.x, 0.0f);
}

TEST(MeshNormals, MeshWithoutFileNormalsLightsWithItsVertexNormals) {
    Mesh mesh = makeSquareMesh();
    mesh.normals.clear();
    for (MeshVertex& v : mesh.vertices) {
        v.normal = {0, 0.6f, 0.8f, 0};
    }
    mesh.faces[0].normalIndex[1] = -1;
    mesh.faces[1].vertex[2] = 9; // a bad index stays unusable rather than pointing at a normal
    ASSERT_TRUE(useVertexNormalsAsCornerNormals(mesh));
    ASSERT_EQ(mesh.normals.size(), 4u);
    EXPECT_EQ(mesh.normals[2].y, 0.6f);
    EXPECT_EQ(mesh.faces[0].normalIndex[1], 1);
    EXPECT_EQ(mesh.faces[1].normalIndex[1], 2);
    EXPECT_EQ(mesh.faces[1].normalIndex[2], -1);
    // A mesh with normals of its own is left alone.
    EXPECT_FALSE(useVertexNormalsAsCornerNormals(mesh));
    EXPECT_EQ(mesh.normals.size(), 4u);
}

// Faces seen almost edge-on, on either side by a hair: the faces stored are exactly those the rule
// keeps, a facing (corner from the eye, dot the normalised view-space normal) of 0 or below.
TEST_F(SubmitTest, EdgeOnFacesAreKeptOrDroppedByTheSignOfTheUnitNormalFacing) {
    Mesh mesh;
    uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    };
    std::vector<int32_t> kept;
    Matrix4 modelView = translationMatrix(0.3f, -0.2f, -40.0f);
    rotateY(modelView, 0.4f);
    for (int f = 0; f < 3000; ++f) {
        MeshVertex v;
        v.position = {20 * next(), 15 * next(), 10 * next(), 1.0f};
        v.occlusion = 1.0f;
        mesh.vertices.push_back(v);
        // A normal at right angles to the line of sight of the vertex, tilted by +-1e-7..1e-3.
        const Vec4 seen = transformPoint(modelView, v.position);
        const Vec4 side = normalize(cross(seen, Vec4{next(), next(), next(), 0.0f}));
        const float tilt = std::ldexp(next() < 0 ? -1.0f : 1.0f, -23 + (f % 14));
        Vec4 n = normalize(Vec4{side.x + tilt * seen.x, side.y + tilt * seen.y, side.z + tilt * seen.z, 0});
        // Back into model space (the rotation's transpose) so that submitMesh turns it to n.
        Matrix4 turn = modelView;
        turn.m[12] = turn.m[13] = turn.m[14] = 0.0f;
        PipelineFace face = testing::meshTriangle(f, f, f,
                                                  {dot(n, {turn.m[0], turn.m[1], turn.m[2], 0}),
                                                   dot(n, {turn.m[4], turn.m[5], turn.m[6], 0}),
                                                   dot(n, {turn.m[8], turn.m[9], turn.m[10], 0}), 0.0f},
                                                  &mesh.defaultMaterial);
        face.carried = f;
        mesh.faces.push_back(face);
        const Vec4 unit = normalize(transformDirection(modelView, face.normal));
        if (dot(sub(seen, Vec4{0, 0, 0, 1}), unit) <= 0.0f) {
            kept.push_back(f);
        }
    }
    mesh.world = Matrix4{};
    mesh.normals.resize(1);
    mesh.texcoords.resize(2);
    // From the face records, then from their compact copies.
    for (const bool compact : {false, true}) {
        if (compact) {
            indexMeshTriangles(mesh);
            ASSERT_EQ(mesh.triangles.size(), mesh.faces.size());
        }
        beginScene(pipeline);
        ASSERT_TRUE(submitMesh(mesh, modelView, camera, pipeline, 0, nullptr));
        // The geometry of dropped faces is appended all the same.
        EXPECT_EQ(pipeline.vertexBase, 3000);
        EXPECT_EQ(pipeline.normalBase, 1);
        EXPECT_EQ(pipeline.texcoordBase, 2);
        std::vector<int32_t> stored;
        for (int32_t i = 0; i < pipeline.faceCount; ++i) {
            stored.push_back(pipeline.faces[i].carried);
        }
        EXPECT_EQ(stored, kept) << (compact ? "compact triangles" : "face records");
    }
    EXPECT_GT(kept.size(), 500u);
    EXPECT_LT(kept.size(), 2500u);
}

// The compact copies repeat their faces field by field, exist only while every face is a triangle,
// and follow the corner normals when those are given afterwards.
TEST(MeshTriangles, CopyEveryFieldOfTriangleMeshesOnly) {
    Mesh mesh = makeSquareMesh();
    mesh.faces[1].carried = 77;
    indexMeshTriangles(mesh);
    ASSERT_EQ(mesh.triangles.size(), 2u);
    for (size_t f = 0; f < 2; ++f) {
        const PipelineFace& face = mesh.faces[f];
        const MeshTriangle& t = mesh.triangles[f];
        EXPECT_EQ(std::memcmp(&t.normal, &face.normal, sizeof(Vec4)), 0);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(t.vertex[k], face.vertex[k]);
            EXPECT_EQ(t.texcoord[k], face.texcoord[k]);
            EXPECT_EQ(t.normalIndex[k], face.normalIndex[k]);
        }
        EXPECT_EQ(t.carried, face.carried);
        EXPECT_EQ(t.material, face.material);
    }
    EXPECT_EQ(reinterpret_cast<uintptr_t>(mesh.triangles.data()) % 64, 0u) << "one line each";

    mesh.normals.clear();
    ASSERT_TRUE(useVertexNormalsAsCornerNormals(mesh));
    EXPECT_EQ(mesh.triangles[1].normalIndex[2], mesh.faces[1].normalIndex[2]);
    EXPECT_NE(mesh.triangles[1].normalIndex[2], -1);

    mesh.faces[0].cornerCount = 4;
    indexMeshTriangles(mesh);
    EXPECT_TRUE(mesh.triangles.empty()) << "a face that is not a triangle: the records are read";
}

} // namespace
} // namespace tessellune
