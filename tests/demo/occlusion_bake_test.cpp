// The occlusion bake: open sky gives 1, a view filled by the dune field gives 0, always in 2^-14 steps.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/occlusion_bake.h"
#include "demo_fixture.h"

using namespace tessellune;
using namespace tessellune::testing;

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
