// Vertex lighting remembered per band against lighting every corner afresh: many vertex-lit cubes,
// whose corners each serve three faces with three normals and crowd the table's slots, must give
// the same bytes either way, in one band and in bands of eight rows.
#include <gtest/gtest.h>

#include <cstring>

#include "render/band.h"
#include "render/clip.h"
#include "render/submit.h"
#include "scene_helpers.h"
#include "test_targets.h"

namespace tessellune {
namespace {

struct LightCache : testing::PipelineFixture {
    Light light = testing::makeLight({4.0f, 6.0f, -2.0f, 1.0f}, 40.0f, 20.0f);

    void submitCubes() {
        material.shaderType = VertexLit;
        material.ambient = {0.3f, 0.5f, 0.7f, 1.0f};
        addLight(pipeline, &light);
        for (int row = 0; row < 12; ++row) {
            for (int column = 0; column < 16; ++column) {
                const float angles[3] = {0.3f * static_cast<float>(row), 0.7f * static_cast<float>(column),
                                         0.2f};
                const float at[3] = {static_cast<float>(column) - 7.5f, static_cast<float>(row) - 5.5f,
                                     -12.0f - 0.1f * static_cast<float>(row + column)};
                Matrix4 placement;
                makePlacement(at, angles, placement);
                ASSERT_TRUE(submitCube(pipeline, camera, placement, Matrix4{}, 0.8f, &material));
            }
        }
        projectVertices(camera, pipeline);
        sortFacesByDepth(pipeline);
    }

    void renderInBands(testing::Targets& targets, int32_t bandRows) {
        for (int32_t row = 0; row < 480; row += bandRows) {
            renderBand(pipeline, row, row + bandRows, targets.colour, targets.depth);
        }
    }
};

TEST_F(LightCache, RememberedLightingGivesTheSameBytesAsLightingEveryCorner) {
    submitCubes();
    testing::Targets fresh(640, 480);
    LightCacheEntry* table = pipeline.lightCache;
    pipeline.lightCache = nullptr; // every corner lit again, as the rule says
    renderInBands(fresh, 480);
    pipeline.lightCache = table;

    int lit = 0;
    for (int32_t i = 0; i < 640 * 480; ++i) {
        lit += fresh.colour.pixels[i].x > 0.0f;
    }
    ASSERT_GT(lit, 20000) << "the cubes must cover a good part of the screen";
    for (const int32_t bandRows : {480, 8}) {
        testing::Targets cached(640, 480);
        renderInBands(cached, bandRows);
        EXPECT_EQ(std::memcmp(cached.colour.pixels, fresh.colour.pixels, 640 * 480 * sizeof(Vec4)), 0)
            << "bands of " << bandRows << " rows";
    }
}

} // namespace
} // namespace tessellune
