// The occlusion bake: open sky gives 1, a view filled by the dune field gives 0, always in 2^-14 steps.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/occlusion_bake.h"
#include "demo_fixture.h"

using namespace tessellune;
using namespace tessellune::testing;

namespace {

// A flat square tile in its xz plane (y up), two triangles facing +y, plus probe vertices that no
// face uses: one above the tile looking down at it, one looking up and away.
std::unique_ptr<Mesh> makeTile() {
    auto mesh = std::make_unique<Mesh>();
    const float corners[4][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}};
    for (const auto& c : corners) {
        MeshVertex v;
        v.position = {c[0], c[1], c[2], 1};
        v.normal = {0, 1, 0, 0};
        mesh->vertices.push_back(v);
    }
    MeshVertex lookingDown;
    lookingDown.position = {0.3f, 0.5f, 0.2f, 1};
    lookingDown.normal = {0, -1, 0, 0};
    mesh->vertices.push_back(lookingDown);
    MeshVertex lookingUp;
    lookingUp.position = {0.3f, 0.5f, 0.2f, 1};
    lookingUp.normal = {0, 1, 0, 0};
    mesh->vertices.push_back(lookingUp);

    mesh->texcoords.resize(1);
    mesh->defaultMaterial.name = "(unnamed)";
    mesh->defaultMaterial.textureIndex = -1;
    for (auto [a, b, c] : {std::tuple{0, 2, 1}, std::tuple{0, 3, 2}}) {
        PipelineFace face;
        face.normal = {0, 1, 0, 0};
        face.vertex[0] = a;
        face.vertex[1] = b;
        face.vertex[2] = c;
        face.normalIndex[0] = face.normalIndex[1] = face.normalIndex[2] = -1;
        face.cornerCount = 3;
        face.material = &mesh->defaultMaterial;
        mesh->faces.push_back(face);
    }
    for (int i = 0; i < 8; ++i) {
        mesh->boxCorners[i] = {(i & 1) ? 1.0f : -1.0f, (i & 2) ? 0.5f : 0.0f, (i & 4) ? 1.0f : -1.0f, 0};
    }
    return mesh;
}

} // namespace

TEST(OcclusionBake, OpenSkyIsOneAndAFilledViewIsZero) {
    DemoFixture f;
    ASSERT_TRUE(f.ok);
    f.state.dune = makeTile();
    ASSERT_TRUE(prepareAndBakeOcclusion(f.state));
    const auto& v = f.state.dune->vertices;
    // Five units in front of the wall of tiles, looking straight at it: every pixel is covered.
    EXPECT_EQ(v[4].occlusion, 0.0f);
    // Looking away from the wall: nothing in view.
    EXPECT_EQ(v[5].occlusion, 1.0f);
    for (const MeshVertex& vertex : v) {
        const float steps = vertex.occlusion * 16384.0f;
        EXPECT_EQ(steps, std::floor(steps));
        EXPECT_GE(vertex.occlusion, 0.0f);
        EXPECT_LE(vertex.occlusion, 1.0f);
    }
}

TEST(OcclusionBake, IsTheSameOnEveryRunAndNeedsADuneTile) {
    DemoFixture f;
    ASSERT_TRUE(f.ok);
    ASSERT_TRUE(prepareAndBakeOcclusion(f.state)); // no tile: nothing happens
    f.state.dune = makeTile();
    bakeOcclusion(f.state);
    std::vector<float> first;
    for (const MeshVertex& v : f.state.dune->vertices) {
        first.push_back(v.occlusion);
    }
    bakeOcclusion(f.state);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(f.state.dune->vertices[i].occlusion, first[i]);
    }
}
