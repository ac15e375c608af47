// The front end on pools of 2, 3 and 5 workers leaves what running the same submissions one by one
// on one thread leaves: the same vertices, normals, texture coordinates and faces at the same
// indices, the same refusals, and so the same pixels. The passes mix procedural shapes, small meshes
// crossing every clip plane, a large mesh inside the view (shared by ranges) and one crossing the
// near plane, and budgets that overflow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "render/band.h"
#include "render/clip.h"
#include "render/submit.h"
#include "tests/render/scene_helpers.h"
#include "tests/render/test_targets.h"
#include "workers/front_end.h"
#include "workers/worker_pool.h"

namespace tessellune {
namespace {

// A wavy square sheet of n x n quads (two triangles each) in the xy plane, one unit across, with
// per-vertex normals, texture coordinates and occlusion, and its bounding box.
Mesh makeSheet(int32_t n, const Material* material) {
    Mesh mesh;
    for (int32_t y = 0; y <= n; ++y) {
        for (int32_t x = 0; x <= n; ++x) {
            const float fx = static_cast<float>(x) / n - 0.5f, fy = static_cast<float>(y) / n - 0.5f;
            MeshVertex v;
            v.position = {fx, fy, 0.1f * std::sin(fx * 9.0f) * std::cos(fy * 7.0f), 1.0f};
            v.normal = normalize(Vec4{-std::cos(fx * 9.0f) * 0.3f, std::sin(fy * 7.0f) * 0.2f, 1.0f, 0.0f});
            v.occlusion = 0.5f + 0.5f * std::fabs(fx);
            mesh.vertices.push_back(v);
            mesh.normals.push_back(v.normal);
            mesh.texcoords.push_back(TexCoord{fx + 0.5f, fy + 0.5f, 0.0f, 0.0f});
        }
    }
    const auto at = [n](int32_t x, int32_t y) { return y * (n + 1) + x; };
    for (int32_t y = 0; y < n; ++y) {
        for (int32_t x = 0; x < n; ++x) {
            const int32_t quad[2][3] = {{at(x, y), at(x + 1, y), at(x + 1, y + 1)},
                                        {at(x, y), at(x + 1, y + 1), at(x, y + 1)}};
            for (const auto& t : quad) {
                // Every other triangle names no normal of its own: the face normal stands in.
                const int32_t normalIndex = (x + y) % 2 == 0 ? t[0] : -1;
                PipelineFace face =
                    testing::meshTriangle(t[0], t[1], t[2], {0, 0, 1, 0}, material, normalIndex);
                for (int k = 0; k < 3; ++k) {
                    face.texcoord[k] = t[k];
                }
                face.carried = x;
                mesh.faces.push_back(face);
            }
        }
    }
    for (int k = 0; k < 8; ++k) {
        mesh.boxCorners[k] = {(k & 1) ? 0.5f : -0.5f, (k & 2) ? 0.5f : -0.5f, (k & 4) ? 0.1f : -0.1f, 1.0f};
    }
    indexMeshTriangles(mesh);
    return mesh;
}

struct Scene {
    Camera camera;
    Material materials[3];
    Mesh small, large, largeRecords;
    std::vector<Light> lights = std::vector<Light>(20);

    Scene() {
        createCamera(camera, 640.0f, 480.0f, 640.0f / 480.0f);
        const int32_t shaders[3] = {VertexLit, PixelLit, Baked};
        for (int i = 0; i < 3; ++i) {
            materials[i].shaderType = shaders[i];
            materials[i].ambient = {0.3f + 0.2f * i, 0.5f, 0.9f - 0.2f * i, 1.0f};
        }
        small = makeSheet(10, &materials[0]); // 200 faces: runs in a chunk
        large = makeSheet(50, &materials[1]); // 5000 faces: shared by ranges
        largeRecords = large;                 // the same, read from its face records
        largeRecords.triangles.clear();
        for (size_t i = 0; i < lights.size(); ++i) {
            lights[i] = testing::makeLight({3.0f * i, 4, -10, 1}, 5, 2);
        }
    }

    // A mesh placed at `at`, scaled and turned, with the mask its box gets from the camera.
    void place(RenderPipeline& p, Mesh& mesh, const float at[3], float scale, const float angles[3],
               const Material* override) {
        makePlacement(at, angles, mesh.world);
        Matrix4 scaled;
        scaled.m[0] = scaled.m[5] = scaled.m[10] = scale;
        mesh.world = multiply(scaled, mesh.world);
        transformBoxCorners(mesh, Matrix4{});
        const int32_t mask = classifyBox(camera, mesh.transformedBoxCorners);
        if (mask != OUTSIDE) {
            submitMesh(mesh, Matrix4{}, camera, p, mask, override);
        }
    }
};

using Submit = std::function<void(RenderPipeline&, Scene&)>;

// Shapes and small meshes spread over the view, many crossing the side, top and near planes.
void scatter(RenderPipeline& p, Scene& s, uint32_t seed, int32_t count) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int32_t i = 0; i < count; ++i) {
        const float at[3] = {u(engine) * 28, u(engine) * 21, -16 + u(engine) * 15};
        const float angles[3] = {u(engine) * 3, u(engine) * 3, u(engine) * 3};
        Matrix4 placement;
        makePlacement(at, angles, placement);
        const Material* m = &s.materials[i % 3];
        switch (i % 5) {
        case 0:
        case 1:
            submitCube(p, s.camera, placement, Matrix4{}, 1.0f + 3.0f * std::fabs(u(engine)), m);
            break;
        case 2:
            submitQuad(p, s.camera, placement, Matrix4{}, 4 * std::fabs(u(engine)), 6 * std::fabs(u(engine)),
                       m);
            break;
        case 3: {
            const TexCoord corners[4] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 0}, {0, 1, 0, 0}};
            submitGround(p, s.camera, placement, Matrix4{}, corners, m);
            break;
        }
        default:
            s.place(p, s.small, at, 4.0f + 6.0f * std::fabs(u(engine)), angles, i % 2 ? nullptr : m);
        }
    }
}

struct Case {
    std::string name;
    Submit submit;
};

std::vector<Case> cases() {
    return {
        {"shapes and small meshes crossing every plane",
         [](RenderPipeline& p, Scene& s) { scatter(p, s, 11, 600); }},
        {"a large mesh inside the view between shapes",
         [](RenderPipeline& p, Scene& s) {
             scatter(p, s, 12, 200);
             const float at[3] = {0, 0, -40}, angles[3] = {0.3f, 0.4f, 0.1f};
             s.place(p, s.large, at, 20.0f, angles, nullptr);
             scatter(p, s, 13, 200);
         }},
        {"a large mesh read from its face records",
         [](RenderPipeline& p, Scene& s) {
             const float at[3] = {2, -1, -35}, angles[3] = {0.5f, 0.2f, 0.3f};
             s.place(p, s.largeRecords, at, 18.0f, angles, nullptr);
             scatter(p, s, 15, 50);
         }},
        {"a large mesh cut by the near plane",
         [](RenderPipeline& p, Scene& s) {
             const float at[3] = {0, 0, -2}, angles[3] = {1.2f, 0.2f, 0.0f};
             s.place(p, s.large, at, 30.0f, angles, &s.materials[2]);
             scatter(p, s, 14, 100);
         }},
        {"more than the budget: later submissions refused",
         [](RenderPipeline& p, Scene& s) {
             for (int i = 0; i < 22; ++i) {
                 const float at[3] = {-10.0f + i, 0, -60}, angles[3] = {0.1f * i, 0.3f, 0.0f};
                 s.place(p, s.large, at, 15.0f, angles, nullptr);
                 scatter(p, s, 100 + i, 300);
             }
         }},
        {"an empty pass", [](RenderPipeline&, Scene&) {}},
    };
}

struct FrontEndOnPool : ::testing::Test {
    Scene scene;
    RenderPipeline reference, shared;

    void SetUp() override {
        ::testing::internal::CaptureStdout();
        ASSERT_TRUE(createPipeline(reference, nullptr));
        ASSERT_TRUE(createPipeline(shared, nullptr));
        ::testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        destroyPipeline(reference);
        destroyPipeline(shared);
    }

    void begin(RenderPipeline& p) {
        beginScene(p);
        for (const Light& light : scene.lights) {
            addLight(p, &light); // 20 lights: four refused, counted alike
        }
    }
};

// Every field a stored vertex, normal, texture coordinate and face has, compared entry by entry.
void expectSameBuffers(const RenderPipeline& a, const RenderPipeline& b) {
    ASSERT_EQ(a.vertexBase, b.vertexBase);
    ASSERT_EQ(a.normalBase, b.normalBase);
    ASSERT_EQ(a.texcoordBase, b.texcoordBase);
    ASSERT_EQ(a.faceCount, b.faceCount);
    EXPECT_EQ(a.refusedSubmissions, b.refusedSubmissions);
    EXPECT_EQ(a.refusedLights, b.refusedLights);
    for (int32_t i = 0; i < a.vertexBase; ++i) {
        const PipelineVertex &x = a.vertices[i], &y = b.vertices[i];
        ASSERT_EQ(std::memcmp(&x.position, &y.position, sizeof x.position), 0) << "vertex " << i;
        ASSERT_EQ(std::memcmp(&x.occlusion, &y.occlusion, sizeof x.occlusion), 0) << "vertex " << i;
    }
    ASSERT_EQ(std::memcmp(a.normals, b.normals, sizeof(PipelineNormal) * static_cast<size_t>(a.normalBase)),
              0);
    ASSERT_EQ(std::memcmp(a.texcoords, b.texcoords, sizeof(TexCoord) * static_cast<size_t>(a.texcoordBase)),
              0);
    for (int32_t f = 0; f < a.faceCount; ++f) {
        const PipelineFace &x = a.faces[f], &y = b.faces[f];
        ASSERT_EQ(x.cornerCount, y.cornerCount) << "face " << f;
        ASSERT_EQ(std::memcmp(&x.normal, &y.normal, sizeof x.normal), 0) << "face " << f;
        ASSERT_EQ(x.material, y.material) << "face " << f;
        ASSERT_EQ(x.carried, y.carried) << "face " << f;
        ASSERT_EQ(std::memcmp(&x.facing, &y.facing, sizeof x.facing), 0) << "face " << f;
        for (int32_t c = 0; c < x.cornerCount; ++c) {
            ASSERT_EQ(x.vertex[c], y.vertex[c]) << "face " << f << " corner " << c;
            ASSERT_EQ(x.texcoord[c], y.texcoord[c]) << "face " << f << " corner " << c;
            ASSERT_EQ(x.normalIndex[c], y.normalIndex[c]) << "face " << f << " corner " << c;
        }
        const BandFace &u = a.bandFaces[f], &v = b.bandFaces[f];
        ASSERT_EQ(u.cornerCount, v.cornerCount) << "band face " << f;
        ASSERT_EQ(u.material, v.material) << "band face " << f;
        ASSERT_EQ(std::memcmp(&u.normal, &v.normal, sizeof u.normal), 0) << "band face " << f;
        for (int32_t c = 0; c < 3 && c < u.cornerCount; ++c) {
            ASSERT_EQ(u.vertex[c], v.vertex[c]) << "band face " << f << " corner " << c;
            ASSERT_EQ(u.texcoord[c], v.texcoord[c]) << "band face " << f << " corner " << c;
            ASSERT_EQ(u.normalIndex[c], v.normalIndex[c]) << "band face " << f << " corner " << c;
        }
    }
}

// The last pool is the browser's: the dispatching thread runs the first slot's chunks itself.
TEST_F(FrontEndOnPool, LeavesWhatTheOneThreadPathLeaves) {
    const std::pair<uint32_t, FirstSlot> pools[] = {{2u, FirstSlot::Worker},
                                                    {3u, FirstSlot::Worker},
                                                    {5u, FirstSlot::Worker},
                                                    {2u, FirstSlot::CallingThread}};
    for (const auto& [workers, firstSlot] : pools) {
        WorkerPool pool;
        ASSERT_TRUE(createWorkerPool(pool, workers, 480, firstSlot));
        FrontEnd frontEnd;
        ASSERT_TRUE(createFrontEnd(frontEnd, pool));
        shared.recording = true;
        for (const Case& c : cases()) {
            SCOPED_TRACE(c.name + ", " + std::to_string(workers) + " workers" +
                         (firstSlot == FirstSlot::CallingThread ? ", the first on the calling thread" : ""));
            begin(reference);
            c.submit(reference, scene);
            begin(shared);
            c.submit(shared, scene);
            EXPECT_EQ(shared.faceCount, 0); // recorded, not yet run
            runFrontEnd(frontEnd, pool, shared);
            EXPECT_TRUE(shared.records.empty());
            expectSameBuffers(reference, shared);

            testing::Targets drawnAlone(640, 480), drawnShared(640, 480);
            for (auto [p, targets] : {std::pair{&reference, &drawnAlone}, std::pair{&shared, &drawnShared}}) {
                projectVertices(scene.camera, *p);
                sortFacesByDepth(*p);
                renderBand(*p, 0, 480, targets->colour, targets->depth);
            }
            EXPECT_EQ(
                std::memcmp(drawnAlone.colour.pixels, drawnShared.colour.pixels, sizeof(Vec4) * 640 * 480),
                0);
            EXPECT_EQ(
                std::memcmp(drawnAlone.depth.pixels, drawnShared.depth.pixels, sizeof(uint32_t) * 640 * 480),
                0);
        }
        destroyFrontEnd(frontEnd);
        destroyWorkerPool(pool);
    }
}

// The cases reach what they are there for: clipping that adds vertices, faces naming no normal of
// their own, a large mesh inside the view (shared by ranges) and one cut by a plane (run alone),
// and a budget overflowing into refusals.
TEST_F(FrontEndOnPool, TheCasesReachEveryPath) {
    const std::vector<Case> all = cases();
    const auto recorded = [&](const Case& c) {
        begin(shared);
        shared.recording = true;
        c.submit(shared, scene);
        shared.recording = false;
        std::vector<SubmissionRecord> records = shared.records;
        beginScene(shared);
        return records;
    };
    // What the submissions bring of their own, before clipping adds any.
    int32_t own = 0;
    for (const SubmissionRecord& r : recorded(all[0])) {
        own += r.kind == SubmissionKind::Cube   ? 8
               : r.kind == SubmissionKind::Mesh ? static_cast<int32_t>(r.mesh->vertices.size())
                                                : 4;
    }
    begin(reference);
    all[0].submit(reference, scene);
    EXPECT_EQ(reference.refusedSubmissions, 0);
    EXPECT_GT(reference.vertexBase, own);
    int32_t noNormal = 0;
    for (int32_t f = 0; f < reference.faceCount; ++f) {
        for (int32_t c = 0; c < reference.faces[f].cornerCount; ++c) {
            noNormal += reference.faces[f].normalIndex[c] == -1 ? 1 : 0;
        }
    }
    EXPECT_GT(noNormal, 0);

    const auto largeMask = [&](const Case& c) {
        for (const SubmissionRecord& r : recorded(c)) {
            if (r.mesh == &scene.large || r.mesh == &scene.largeRecords) {
                return r.mask;
            }
        }
        return OUTSIDE;
    };
    EXPECT_EQ(largeMask(all[1]), 0);
    EXPECT_EQ(largeMask(all[2]), 0);
    EXPECT_GT(largeMask(all[3]), 0);
    EXPECT_GE(static_cast<int32_t>(scene.large.faces.size()), FRONT_END_LARGE_MESH);

    begin(reference);
    all[4].submit(reference, scene);
    EXPECT_GT(reference.refusedSubmissions, 0);
    EXPECT_GT(std::max(reference.vertexBase, reference.faceCount), PIPELINE_CAPACITY * 9 / 10);
}

} // namespace
} // namespace tessellune
