// One full pass rendered in bands of one block and on pools of 1, 2, 3, 4 and 7 workers, with the
// lighting of vertex-lit corners remembered per band (their corners serve three faces with three
// normals and crowd the table's slots), gives the bytes of one band lighting every corner afresh;
// and a whole frame (submission, ordering, the pool's bands, peaks, resolve) allocates nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "render/band.h"
#include "render/clip.h"
#include "render/image.h"
#include "render/resolve.h"
#include "render/submit.h"
#include "tests/render/scene_helpers.h"
#include "tests/render/test_targets.h"
#include "tests/support/misaligned_new.h"
#include "workers/band_dispatch.h"
#include "workers/resolve_dispatch.h"

namespace tessellune {
namespace {

struct BandInvariance : testing::PipelineFixture {
    Material materials[4];
    Light light = testing::makeLight({10, 20, -5, 1}, 100, 50);
    FloatImage checker;
    Texture texture{&checker, "checker"};
    TextureStore store;

    BandInvariance() {
        createFloatImage(checker, 16, 16);
        for (int i = 0; i < 256; ++i) {
            const float on = ((i ^ (i >> 4)) & 1) ? 1.0f : 0.2f;
            checker.pixels[i] = {on, on * 0.5f, 0.3f, 1.0f};
        }
        store.entries = {nullptr, &texture};
        const int32_t shaders[4] = {VertexLit, PixelLit, Baked, VertexLitNoDepth};
        for (int i = 0; i < 4; ++i) {
            materials[i].shaderType = shaders[i];
            materials[i].ambient = {0.3f + 0.2f * i, 0.5f, 0.9f - 0.2f * i, 1.0f};
        }
        materials[2].textureIndex = 1;
    }
    ~BandInvariance() override { releaseFloatImage(checker); }
    void SetUp() override {
        PipelineFixture::SetUp();
        pipeline.textures = &store;
    }

    void build() {
        std::mt19937 random(4242);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        beginScene(pipeline);
        addLight(pipeline, &light);
        for (int i = 0; i < 150; ++i) {
            const float position[3] = {u(random) * 30, u(random) * 22, -30 + u(random) * 25};
            const float angles[3] = {u(random) * 3, u(random) * 3, u(random) * 3};
            Matrix4 placement;
            makePlacement(position, angles, placement);
            submitCube(pipeline, camera, placement, Matrix4{}, 2.0f + 4.0f * (u(random) + 1.0f),
                       &materials[i % 4]);
        }
        const TexCoord corners[4] = {{2, 2}, {0, 2}, {0, 0}, {2, 0}};
        submitGround(pipeline, camera, translationMatrix(0, -15, 0), Matrix4{}, corners, &materials[2]);
        projectVertices(camera, pipeline);
        sortFacesByDepth(pipeline);
    }
};

TEST_F(BandInvariance, AnyWorkerCountGivesTheSamePixels) {
    build();
    ASSERT_GT(pipeline.faceCount, 1000);
    testing::Targets reference(640, 480), pass(640, 480);
    constexpr size_t PIXELS = 640 * 480;
    LightCacheEntry* table = pipeline.lightCache;
    pipeline.lightCache = nullptr; // every corner lit again, as the rule says
    renderBand(pipeline, 0, 480, reference.colour, reference.depth);
    pipeline.lightCache = table;
    for (int32_t row = 0; row < 480; row += 8) {
        renderBand(pipeline, row, row + 8, pass.colour, pass.depth);
    }
    EXPECT_EQ(std::memcmp(pass.colour.pixels, reference.colour.pixels, sizeof(Vec4) * PIXELS), 0);
    EXPECT_EQ(std::memcmp(pass.depth.pixels, reference.depth.pixels, sizeof(uint32_t) * PIXELS), 0);
    // The reference picture, resolved on this thread; the pools below share its rows.
    std::vector<uint32_t> expected(PIXELS), resolved(PIXELS);
    ResolveTarget expectedTarget{expected.data(), 640, 480};
    ResolveTarget target{resolved.data(), 640, 480};
    resolveFaded(expectedTarget, 0.5f, reference.colour);
    EXPECT_GT(std::count_if(reference.depth.pixels, reference.depth.pixels + PIXELS,
                            [](uint32_t d) { return d != 0; }),
              static_cast<long>(PIXELS / 3));

    for (uint32_t workers : {1u, 2u, 3u, 4u, 7u}) {
        WorkerPool pool;
        ASSERT_TRUE(createWorkerPool(pool, workers, 480));
        // Several dispatches, so the rebalanced splits are exercised too.
        for (int frame = 0; frame < 3; ++frame) {
            std::fill(pass.colour.pixels, pass.colour.pixels + PIXELS,
                      Vec4{9, 9, 9, 9}); // bands clear what they own
            std::fill(pass.depth.pixels, pass.depth.pixels + PIXELS, 7u);
            const long before = testing::allocationCount().allocations;
            build();
            renderPassOnPool(pool, pipeline, camera, pass.colour, pass.depth);
            recordPeaks(pipeline);
            std::fill(resolved.begin(), resolved.end(), 0x12345678u);
            resolveOnPool(pool, target, pass.colour, true, 0.5f);
            EXPECT_EQ(testing::allocationCount().allocations - before, 0)
                << workers << " workers, frame " << frame;
            EXPECT_EQ(std::memcmp(pass.colour.pixels, reference.colour.pixels, sizeof(Vec4) * PIXELS), 0)
                << workers << " workers, frame " << frame;
            EXPECT_EQ(std::memcmp(pass.depth.pixels, reference.depth.pixels, sizeof(uint32_t) * PIXELS), 0)
                << workers << " workers, frame " << frame;
            EXPECT_EQ(resolved, expected) << workers << " workers, frame " << frame;
        }
        destroyWorkerPool(pool);
    }
    EXPECT_EQ(pipeline.peakFaces, pipeline.faceCount);
}

} // namespace
} // namespace tessellune
