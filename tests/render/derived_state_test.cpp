// The copies the renderer keeps for speed are checked against their sources: a real model's pass
// agrees everywhere, each copy made stale on purpose is named, and in the builds that run the checks
// a stale copy stops the program where the pipeline reads it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "assets/obj_loader.h"
#include "assets/texture_store.h"
#include "render/derived_state.h"
#include "render/face_order.h"
#include "render/mesh_framing.h"
#include "render/submit.h"
#include "scene_helpers.h"

namespace tessellune {
namespace {

const std::string MODELS = std::string(TESSELLUNE_SHARED_DIR) + "/testdata/models/";

// The cow model, framed larger than the view so that the side planes cut it: the pass holds
// clipped faces (more than three corners before the fan) as well as faces stored as they come.
struct DerivedState : testing::PipelineFixture {
    TextureStore store = createTextureStore();
    std::unique_ptr<Mesh> mesh;
    MeshFraming framing;
    int32_t mask = 0;

    void SetUp() override {
        testing::PipelineFixture::SetUp();
        ::testing::internal::CaptureStdout();
        mesh = loadObj("spot_triangulated.obj", MODELS + "spot/", store);
        ::testing::internal::GetCapturedStdout();
        ASSERT_TRUE(mesh != nullptr);
        ASSERT_GT(mesh->faces.size(), 5000u);
        ASSERT_EQ(mesh->triangles.size(), mesh->faces.size()) << "the loader indexes the triangles";
        frameMeshInView(*mesh, 0.7f, 1.6f, framing);
        transformBoxCorners(*mesh, framing.view);
        mask = classifyBox(camera, mesh->transformedBoxCorners);
        ASSERT_GT(mask, 0) << "the framing must make the planes cut the model";
    }
    void TearDown() override {
        mesh.reset();
        destroyTextureStore(store);
        testing::PipelineFixture::TearDown();
    }

    void renderablePass() {
        beginScene(pipeline);
        ASSERT_TRUE(submitMesh(*mesh, framing.view, camera, pipeline, mask, nullptr));
        sortFacesByDepth(pipeline);
        projectVertices(camera, pipeline);
        ASSERT_TRUE(passIsReady(pipeline));
        ASSERT_GT(pipeline.faceCount, 1000);
    }

    // The open submission of the model's vertices, with their plane bits, before any face is stored.
    void openWithPlaneBits() {
        beginScene(pipeline);
        const Matrix4 modelView = multiply(mesh->world, framing.view);
        const MeshSlots slots = openMeshSubmission(pipeline, *mesh);
        ASSERT_TRUE(slots.reserved);
        const auto count = static_cast<int32_t>(mesh->vertices.size());
        transformMeshVertices(pipeline, camera, *mesh, modelView, slots, mask, 0, count);
        notePlanesKnown(pipeline, *mesh, slots, mask);
        ASSERT_EQ(pipeline.planesKnownEnd, slots.firstVertex + count);
    }
};

TEST_F(DerivedState, ARealPassAgreesWithItsSources) {
    renderablePass();
    // Corners the clipper made are appended after the model's own vertices.
    bool clipped = false;
    for (int32_t i = 0; i < pipeline.faceCount; ++i) {
        for (int32_t k = 0; k < pipeline.faces[i].cornerCount; ++k) {
            clipped = clipped || pipeline.faces[i].vertex[k] >= static_cast<int32_t>(mesh->vertices.size());
        }
    }
    EXPECT_TRUE(clipped) << "the pass must hold clipped faces";
    EXPECT_EQ(staleBandFaces(pipeline), "");
    EXPECT_EQ(staleFaceRows(pipeline), "");
    EXPECT_EQ(staleMeshTriangles(*mesh), "");
    openWithPlaneBits();
    EXPECT_EQ(stalePlaneBits(pipeline, camera), "");
}

// Each row makes one copy stale in a way that keeps every count, the way a careless edit would, and
// names the check that must see it and what its line must say.
struct StaleCase {
    const char* name;
    std::function<void(RenderPipeline&, Mesh&)> spoil;
    std::function<std::string(const RenderPipeline&, const Mesh&)> check;
    const char* said;
};

std::string bandFaces(const RenderPipeline& p, const Mesh&) {
    return staleBandFaces(p);
}
std::string faceRows(const RenderPipeline& p, const Mesh&) {
    return staleFaceRows(p);
}
std::string triangles(const RenderPipeline&, const Mesh& m) {
    return staleMeshTriangles(m);
}

TEST_F(DerivedState, EachCopyMadeStaleOnPurposeIsNamed) {
    const StaleCase cases[] = {
        {"a band record's second corner", [](RenderPipeline& p, Mesh&) { p.bandFaces[7].vertex[1] += 1; },
         bandFaces, "band record of face 7: corner indices"},
        {"a band record's material", [](RenderPipeline& p, Mesh&) { p.bandFaces[3].material = nullptr; },
         bandFaces, "band record of face 3: material"},
        {"a band record's normal", [](RenderPipeline& p, Mesh&) { p.bandFaces[11].normal.y += 0.5f; },
         bandFaces, "band record of face 11: normal"},
        {"a face record changed after its band record",
         [](RenderPipeline& p, Mesh&) { p.faces[20].texcoord[2] += 1; }, bandFaces,
         "band record of face 20: corner indices"},
        {"a row span by face", [](RenderPipeline& p, Mesh&) { p.faceRows[5].maxY += 1.0f; }, faceRows,
         "row span of face 5"},
        {"a vertex moved after the spans were laid out",
         [](RenderPipeline& p, Mesh&) { p.vertices[p.faces[9].vertex[0]].screen.y -= 100.0f; }, faceRows,
         "row span of face"},
        {"the ordered spans out of step with the order",
         [](RenderPipeline& p, Mesh&) {
             for (int32_t k = 1; k < p.faceCount; ++k) {
                 if (p.orderedRows[k].minY != p.orderedRows[0].minY) {
                     std::swap(p.orderedRows[0], p.orderedRows[k]);
                     return;
                 }
             }
         },
         faceRows, "ordered row span 0"},
        {"a mesh triangle's corner, same count",
         [](RenderPipeline&, Mesh& m) { m.triangles[100].vertex[2] = m.triangles[100].vertex[0]; }, triangles,
         "mesh triangle 100: corner indices"},
        {"a mesh face edited after indexing", [](RenderPipeline&, Mesh& m) { m.faces[42].normal.x += 1.0f; },
         triangles, "mesh triangle 42: material, carried value or normal"},
    };
    for (const StaleCase& c : cases) {
        SCOPED_TRACE(c.name);
        renderablePass();
        ASSERT_EQ(c.check(pipeline, *mesh), "") << "fresh before it is spoiled";
        Mesh& m = *mesh;
        const std::vector<PipelineFace> faces = m.faces;
        const std::vector<MeshTriangle> tris = m.triangles;
        c.spoil(pipeline, m);
        const std::string line = c.check(pipeline, m);
        EXPECT_NE(line.find(c.said), std::string::npos) << "said: " << line;
        m.faces = faces;
        m.triangles = tris;
    }
}

TEST_F(DerivedState, PlaneBitsMadeStaleAreNamedAndOnlyTheOpenRangeCounts) {
    openWithPlaneBits();
    const int32_t v = pipeline.planesKnownEnd - 3;
    pipeline.vertices[v].planeBits ^= 1u << 2;
    EXPECT_EQ(stalePlaneBits(pipeline, camera),
              "plane bits of vertex " + std::to_string(v) + ": differ from the camera's planes");
    // Beyond the known range the bits are not a copy of anything and are never read.
    pipeline.vertices[v].planeBits ^= 1u << 2;
    pipeline.vertices[pipeline.planesKnownEnd].planeBits ^= 1u;
    EXPECT_EQ(stalePlaneBits(pipeline, camera), "");
}

// Where the checks run, a stale copy stops the program at the read, with its line. Builds that
// define NDEBUG (the optimised ones, the Windows program's) do not check, so the case exists only
// in the others, where it runs.
#ifndef NDEBUG
static_assert(DERIVED_STATE_CHECKS);
TEST_F(DerivedState, TheReadsStopAtAStaleCopyInTheCheckedBuilds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mesh->triangles[50].texcoord[1] += 1;
    EXPECT_DEATH(submitMesh(*mesh, framing.view, camera, pipeline, mask, nullptr),
                 "renderer: stale copy: mesh triangle 50: corner indices");
    mesh->triangles[50].texcoord[1] -= 1;

    renderablePass();
    pipeline.bandFaces[30].cornerCount = 4;
    EXPECT_DEATH(checkPassReady(pipeline), "renderer: stale copy: band record of face 30: corner count");
    pipeline.bandFaces[30].cornerCount = 3;
    EXPECT_TRUE(checkPassReady(pipeline));
}
#endif

} // namespace
} // namespace tessellune
