// Pipeline buffers: the memory report, statistics, peaks, scene resets and the capacity guard.
#include <gtest/gtest.h>

#include <string>

#include "render/submit.h"
#include "scene_helpers.h"

namespace tessellune {
namespace {

struct PipelineTest : testing::PipelineFixture {
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
    commitVertices(25000);
    recordPeaks(pipeline);
    const std::string heavy = statistics();
    EXPECT_NE(heavy.find(" vertices:    25000 /   100000,   25%\n"), std::string::npos) << heavy;

    beginScene(pipeline);
    commitVertices(10);
    EXPECT_EQ(pipeline.vertexBase, 10); // indices start again at 0 after beginScene
    recordPeaks(pipeline);
    EXPECT_EQ(statistics(), heavy);
}

TEST_F(PipelineTest, OverflowingSubmissionsAndTheSeventeenthLightAreRefusedAndCounted) {
    const Matrix4 placement = translationMatrix(0, 0, -50), view;
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
