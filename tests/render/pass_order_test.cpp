// A pass draws the same frame whether its faces are ordered before or after its vertices are
// projected, and a pass missing either step draws nothing and says so instead of drawing another
// pass's leftovers.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "render/band.h"
#include "render/submit.h"
#include "scene_helpers.h"
#include "test_targets.h"

namespace tessellune {
namespace {

using Submit = std::function<void(RenderPipeline&, const Camera&, const Material&)>;

struct PassOrder : testing::PipelineFixture {
    Light light = testing::makeLight({3, 4, -10, 1}, 5, 2);

    void SetUp() override {
        testing::PipelineFixture::SetUp();
        material.shaderType = PixelLit;
        material.ambient = {0.3f, 0.4f, 0.5f, 1.0f};
    }

    // Submits the scene, runs the two steps in the order asked and renders every row in 8-row
    // bands (bottom first, so no band leans on another's clear). Returns the pixels covered.
    int32_t render(const Submit& submit, bool sortFirst, testing::Targets& targets) {
        beginScene(pipeline);
        addLight(pipeline, &light);
        submit(pipeline, camera, material);
        if (sortFirst) {
            sortFacesByDepth(pipeline);
            projectVertices(camera, pipeline);
        } else {
            projectVertices(camera, pipeline);
            sortFacesByDepth(pipeline);
        }
        for (int32_t row = targets.height() - 8; row >= 0; row -= 8) {
            renderBand(pipeline, row, row + 8, targets.colour, targets.depth);
        }
        int32_t covered = 0;
        for (int32_t y = 0; y < targets.height(); ++y) {
            for (int32_t x = 0; x < targets.width(); ++x) {
                covered += targets.depthAt(x, y) != 0 ? 1 : 0;
            }
        }
        return covered;
    }
};

bool sameImages(const testing::Targets& a, const testing::Targets& b) {
    const size_t pixels = static_cast<size_t>(a.width()) * static_cast<size_t>(a.height());
    return std::memcmp(a.colour.pixels, b.colour.pixels, pixels * sizeof(Vec4)) == 0 &&
           std::memcmp(a.depth.pixels, b.depth.pixels, pixels * sizeof(uint32_t)) == 0;
}

Matrix4 placedAt(float x, float y, float z) {
    return translationMatrix(x, y, z);
}

TEST_F(PassOrder, BothOrdersDrawTheSameFrame) {
    struct Case {
        const char* name;
        Submit submit;
    };
    const std::vector<Case> cases = {
        {"a 10 x 10 square at z = -30",
         [](RenderPipeline& p, const Camera& c, const Material& m) {
             submitQuad(p, c, placedAt(-5, -5, -30), Matrix4{}, 10, 10, &m);
         }},
        {"overlapping squares at several depths, submitted far to near",
         [](RenderPipeline& p, const Camera& c, const Material& m) {
             for (int i = 0; i < 6; ++i) {
                 submitQuad(p, c, placedAt(-8 + i, -6 + i * 0.5f, -60 + i * 7), Matrix4{}, 9, 12, &m);
             }
         }},
        {"cubes crossing the near and side planes",
         [](RenderPipeline& p, const Camera& c, const Material& m) {
             for (int i = 0; i < 40; ++i) {
                 submitCube(p, c, placedAt(-20 + i, (i % 7) - 3.0f, -2.0f - i * 0.75f), Matrix4{}, 3, &m);
             }
         }},
        {"the ground seen from just above it",
         [](RenderPipeline& p, const Camera& c, const Material& m) {
             const float back[3] = {0, -1.5f, 0};
             const float angles[3] = {0.1f, 0.3f, 0};
             Matrix4 view;
             makeFreeView(back, angles, view);
             const TexCoord corners[4] = {};
             submitGround(p, c, Matrix4{}, view, corners, &m);
         }},
        {"random triangles, some behind the eye",
         [](RenderPipeline& p, const Camera& c, const Material& m) {
             std::mt19937 engine(1234);
             std::uniform_real_distribution<float> unit(0.0f, 1.0f);
             const auto next = [&] { return unit(engine); };
             for (int i = 0; i < 300; ++i) {
                 const float x = next() * 40 - 20, y = next() * 30 - 15;
                 const float z = -next() * 60 + 2;
                 const float angles[3] = {next() * 6, next() * 6, 0};
                 const float at[3] = {x, y, z};
                 Matrix4 placement;
                 makePlacement(at, angles, placement);
                 submitQuad(p, c, placement, Matrix4{}, next() * 5, next() * 5, &m);
             }
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::Targets projectedFirst(640, 480), sortedFirst(640, 480);
        // Sorted first comes first: the other order would leave this pass's spans behind.
        const int32_t covered = render(c.submit, true, sortedFirst);
        EXPECT_GT(covered, 0);
        EXPECT_EQ(render(c.submit, false, projectedFirst), covered);
        EXPECT_TRUE(sameImages(projectedFirst, sortedFirst));
    }
}

// A pass sent to the bands without one of the two steps, or with a submission after them, draws
// nothing: its bands are cleared, the first refusal is reported on stderr and every one is counted.
TEST_F(PassOrder, APassMissingAStepDrawsNothingAndSaysSo) {
    const auto square = [](RenderPipeline& p, const Camera& c, const Material& m) {
        submitQuad(p, c, placedAt(-5, -5, -30), Matrix4{}, 10, 10, &m);
    };
    struct Case {
        const char* name;
        std::function<void(RenderPipeline&, const Camera&)> steps;
    };
    const std::vector<Case> cases = {
        {"only projected", [](RenderPipeline& p, const Camera& c) { projectVertices(c, p); }},
        {"only ordered", [](RenderPipeline& p, const Camera&) { sortFacesByDepth(p); }},
        {"a submission after both",
         [&](RenderPipeline& p, const Camera& c) {
             projectVertices(c, p);
             sortFacesByDepth(p);
             Material other;
             submitQuad(p, c, placedAt(-2, -2, -20), Matrix4{}, 4, 4, &other);
         }},
    };
    int32_t refusals = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::Targets targets(640, 480);
        // A drawn frame first, so that a band drawing from stale spans would show.
        ASSERT_GT(render(square, false, targets), 0);
        beginScene(pipeline);
        square(pipeline, camera, material);
        c.steps(pipeline, camera);
        EXPECT_FALSE(passIsReady(pipeline));
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(checkPassReady(pipeline));
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find("before its faces were ordered") != std::string::npos, refusals == 0) << said;
        EXPECT_EQ(pipeline.refusedPasses, ++refusals);
        renderBand(pipeline, 0, 480, targets.colour, targets.depth);
        for (int32_t y = 0; y < 480; ++y) {
            for (int32_t x = 0; x < 640; ++x) {
                ASSERT_EQ(targets.depthAt(x, y), 0) << x << ", " << y;
            }
        }
    }
}

} // namespace
} // namespace tessellune
