// Pipeline buffers: the memory report, statistics, peaks, scene resets and the capacity guard.
#include <gtest/gtest.h>

#include <string>

#include "render/camera.h"
#include "render/pipeline.h"
#include "render/submit.h"

namespace tessellune {
namespace {

struct PipelineTest : ::testing::Test {
    RenderPipeline pipeline;
    std::string report;
    void SetUp() override {
        ::testing::internal::CaptureStdout();
        ASSERT_TRUE(createPipeline(pipeline, nullptr));
        report = ::testing::internal::GetCapturedStdout();
    }
    void TearDown() override { destroyPipeline(pipeline); }
    std::string statistics() {
        ::testing::internal::CaptureStdout();
        printStatistics(pipeline);
        return ::testing::internal::GetCapturedStdout();
    }
    // Commits `count` vertices as one submission, the way a mesh would.
    void commitVertices(int32_t count) {
        openSubmission(pipeline);
        ASSERT_GE(reserveVertices(pipeline, count), 0);
        ASSERT_TRUE(commitSubmission(pipeline));
    }
};

TEST_F(PipelineTest, FreshPipelineReportsItsMemoryAndPeaksFollowTheHeaviestPass) {
    EXPECT_EQ(report, "new pipeline uses:       30.52 MB\n");
    EXPECT_EQ(statistics(), "-[ pipeline statistics ]----------------\n"
                            " vertices:        0 /   100000,    0%\n"
                            "    faces:        0 /   100000,    0%\n"
                            "texcoords:        0 /   100000,    0%\n"
                            "  normals:        0 /   100000,    0%\n"
                            "\n");
    EXPECT_EQ(pipeline.faces[99999].cornerCount, 0);
    EXPECT_EQ(pipeline.faces[99999].material, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pipeline.vertices) % 16, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pipeline.faces) % 16, 0u);

    // Peaks follow the heaviest pass and never fall.
    beginScene(pipeline);
    commitVertices(25000);
    recordPeaks(pipeline);
    const std::string heavy = statistics();
    EXPECT_NE(heavy.find(" vertices:    25000 /   100000,   25%\n"), std::string::npos) << heavy;

    beginScene(pipeline);
    EXPECT_EQ(pipeline.vertexBase, 0);
    commitVertices(10);
    EXPECT_EQ(pipeline.vertexBase, 10); // indices start again at 0 after beginScene
    recordPeaks(pipeline);
    EXPECT_EQ(statistics(), heavy);
}

TEST_F(PipelineTest, OverflowingSubmissionsAndTheSeventeenthLightAreRefusedAndCounted) {
    Camera camera;
    createCamera(camera, 640, 480, 640.0f / 480.0f);
    Material material;
    Matrix4 placement;
    placement.m[14] = -50.0f;
    const Matrix4 view;
    beginScene(pipeline);
    commitVertices(PIPELINE_CAPACITY - 12); // room for one cube's 8 vertices, not two
    ASSERT_TRUE(submitCube(pipeline, camera, placement, view, 1.0f, &material));
    const int32_t faces = pipeline.faceCount;
    const int32_t vertices = pipeline.vertexBase;
    EXPECT_EQ(faces, 12);
    EXPECT_FALSE(submitCube(pipeline, camera, placement, view, 1.0f, &material));
    EXPECT_EQ(pipeline.faceCount, faces);
    EXPECT_EQ(pipeline.vertexBase, vertices);
    EXPECT_EQ(pipeline.refusedSubmissions, 1);

    // Faces run out part-way through a submission: the faces it already stored are taken back.
    beginScene(pipeline);
    pipeline.faceCount = PIPELINE_CAPACITY - 5;
    EXPECT_FALSE(submitCube(pipeline, camera, placement, view, 1.0f, &material));
    EXPECT_EQ(pipeline.faceCount, PIPELINE_CAPACITY - 5);
    EXPECT_EQ(pipeline.vertexBase, 0);
    EXPECT_EQ(pipeline.refusedSubmissions, 2);

    Light light;
    for (int i = 0; i < MAX_LIGHTS; ++i) {
        EXPECT_TRUE(addLight(pipeline, &light));
    }
    EXPECT_FALSE(addLight(pipeline, &light));
    EXPECT_EQ(pipeline.lightCount, MAX_LIGHTS);
    EXPECT_NE(statistics().find("  refused:        2 submissions, 1 lights\n"), std::string::npos);
    beginScene(pipeline);
    EXPECT_EQ(pipeline.lightCount, 0);
}

} // namespace
} // namespace tessellune
