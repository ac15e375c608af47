// A whole scene pass must not allocate: the test programs' operator new counts while one pass runs.
#include <gtest/gtest.h>

#include "render/band.h"
#include "render/clip.h"
#include "render/resolve.h"
#include "render/submit.h"
#include "render/targets.h"
#include "tests/support/misaligned_new.h"

namespace tessellune {
namespace {

TEST(Allocation, ScenePassAllocatesNothing) {
    RenderPipeline pipeline;
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(createPipeline(pipeline, nullptr));
    ::testing::internal::GetCapturedStdout();
    Camera camera;
    createCamera(camera, 64, 48, 64.0f / 48.0f);
    FloatImage colour;
    DepthImage depth;
    ASSERT_TRUE(createFloatImage(colour, 64, 48));
    ASSERT_TRUE(createDepthImage(depth, 64, 48));
    uint32_t pixels[64 * 48];
    ResolveTarget target{pixels, 64, 48};
    Material lit;
    lit.shaderType = PixelLit;
    lit.ambient = {1, 0.5f, 0.25f, 1};
    Light light;
    light.diffuseIntensity = {100, 0, 0, 0};
    light.diffuseColor = {10, 10, 10, 0};

    for (int frame = 0; frame < 3; ++frame) {
        const long before = testing::allocationCount().allocations;
        beginScene(pipeline);
        addLight(pipeline, &light);
        for (int i = 0; i < 20; ++i) {
            const float position[3] = {static_cast<float>(i % 5) - 2.0f, static_cast<float>(i / 5) - 2.0f,
                                       -8.0f - static_cast<float>(frame)};
            const float angles[3] = {0.2f, 0.3f * static_cast<float>(i), 0.0f};
            Matrix4 placement;
            makePlacement(position, angles, placement);
            submitCube(pipeline, camera, placement, Matrix4{}, 0.8f, &lit);
        }
        projectVertices(camera, pipeline);
        sortFacesByDepth(pipeline);
        renderBand(pipeline, 0, 24, colour, depth);
        renderBand(pipeline, 24, 48, colour, depth);
        recordPeaks(pipeline);
        resolveFaded(target, 0.5f, colour);
        EXPECT_EQ(testing::allocationCount().allocations - before, 0) << "frame " << frame;
        EXPECT_GT(pipeline.faceCount, 100);
    }
    EXPECT_NE(pixels[24 * 64 + 32], 0u); // the pass really drew
    releaseFloatImage(colour);
    releaseDepthImage(depth);
    destroyPipeline(pipeline);
}

} // namespace
} // namespace tessellune
