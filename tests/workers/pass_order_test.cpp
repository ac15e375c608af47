// Projecting and ordering a pass on pools of 2, 3 and 5 workers leaves, bit for bit, what the
// one-thread projection and sort leave: screen positions, depth keys, face order and row spans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "render/face_order.h"
#include "render/submit.h"
#include "tests/render/scene_helpers.h"
#include "tests/support/misaligned_new.h"
#include "workers/pass_order.h"

namespace tessellune {
namespace {

using Random = std::mt19937;

// A rolling height field of cells x cells squares over [-1, 1] in x and z, faces facing up.
Mesh makeHeightField(int32_t cells, uint32_t seed) {
    Mesh mesh;
    Random random(seed);
    std::uniform_real_distribution<float> height(-0.15f, 0.15f);
    for (int32_t j = 0; j <= cells; ++j) {
        for (int32_t i = 0; i <= cells; ++i) {
            MeshVertex v;
            v.position = {-1.0f + 2.0f * i / cells, height(random), -1.0f + 2.0f * j / cells, 1.0f};
            v.normal = {0, 1, 0, 0};
            v.occlusion = 1.0f;
            mesh.vertices.push_back(v);
        }
    }
    mesh.texcoords = {TexCoord{}};
    const int32_t row = cells + 1;
    for (int32_t j = 0; j < cells; ++j) {
        for (int32_t i = 0; i < cells; ++i) {
            const int32_t a = j * row + i;
            mesh.faces.push_back(
                testing::meshTriangle(a, a + row, a + 1, {0, 1, 0, 0}, &mesh.defaultMaterial));
            mesh.faces.push_back(
                testing::meshTriangle(a + 1, a + row, a + row + 1, {0, 1, 0, 0}, &mesh.defaultMaterial));
        }
    }
    for (int k = 0; k < 8; ++k) {
        mesh.boxCorners[k] = {k & 1 ? 1.0f : -1.0f, k & 2 ? 0.15f : -0.15f, k & 4 ? 1.0f : -1.0f, 1.0f};
    }
    indexMeshTriangles(mesh);
    return mesh;
}

struct Scene {
    const Camera* camera = nullptr;
    const Material* material = nullptr;
    Mesh* mesh = nullptr;
    Random random;
    float unit() { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random); }
};

// Places the mesh as the demo does: classified against the frustum, skipped when outside.
void submitPlacedMesh(RenderPipeline& p, Scene& s, float x, float y, float z, float scale, float turn) {
    Mesh& mesh = *s.mesh;
    mesh.scale = scale;
    mesh.rotation = eulerRotation(0.0f, turn, 0.0f);
    mesh.translation = translationMatrix(x, y, z);
    updateWorldMatrix(mesh);
    transformBoxCorners(mesh, Matrix4{});
    const int32_t mask = classifyBox(*s.camera, mesh.transformedBoxCorners);
    if (mask != OUTSIDE) {
        submitMesh(mesh, Matrix4{}, *s.camera, p, mask, nullptr);
    }
}

void submitSquareAt(RenderPipeline& p, Scene& s, float x, float y, float z, float size) {
    submitQuad(p, *s.camera, translationMatrix(x, y, z), Matrix4{}, size, size, s.material);
}

struct Case {
    const char* name;
    // How many of the key's three digits vary over the pass: which of the sort's passes run.
    int32_t varyingDigits;
    std::function<void(RenderPipeline&, Scene&)> submit;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> table = {
        {"an empty pass", 0, [](RenderPipeline&, Scene&) {}},
        {"one square: fewer faces than workers, one key", 0,
         [](RenderPipeline& p, Scene& s) { submitSquareAt(p, s, -1, -1, -12, 2); }},
        {"two squares at two depths: four faces", 1,
         [](RenderPipeline& p, Scene& s) {
             submitSquareAt(p, s, -1, -1, -12, 2);
             submitSquareAt(p, s, 0, 0, -12.01f, 2);
         }},
        {"squares facing the eye at one depth: every key equal", 0,
         [](RenderPipeline& p, Scene& s) {
             for (int i = 0; i < 600; ++i) {
                 submitSquareAt(p, s, -20 + (i % 40), -15 + (i / 40) * 2.0f, -30, 0.9f);
             }
         }},
        {"squares at two depths, interleaved: keys differing in the middle digit only", 1,
         [](RenderPipeline& p, Scene& s) {
             for (int i = 0; i < 3000; ++i) {
                 submitSquareAt(p, s, -20 + (i % 40), -15 + (i / 40 % 15) * 2.0f, i % 2 == 0 ? -30 : -31.5f,
                                0.9f);
             }
         }},
        {"squares at three depths, interleaved: long runs of equal keys", 2,
         [](RenderPipeline& p, Scene& s) {
             const float depths[3] = {-30.0f, -31.5f, -30.3f};
             for (int i = 0; i < 3000; ++i) {
                 submitSquareAt(p, s, -20 + (i % 40), -15 + (i / 40 % 15) * 2.0f, depths[i % 3], 0.9f);
             }
         }},
        {"squares between z = -2 and -2.03: keys differing in the low digit only", 1,
         [](RenderPipeline& p, Scene& s) {
             for (int i = 0; i < 2000; ++i) {
                 submitSquareAt(p, s, -1 + 0.1f * (i % 20), -1 + 0.1f * (i / 20 % 20),
                                -2.0f - 0.03f * s.unit(), 0.05f);
             }
         }},
        {"random quads from the near plane to the far one: all three digits", 3,
         [](RenderPipeline& p, Scene& s) {
             for (int i = 0; i < 5000; ++i) {
                 const float depth = 1.0f + 998.0f * s.unit() * s.unit();
                 const float at[3] = {(s.unit() - 0.5f) * depth, (s.unit() - 0.5f) * depth * 0.75f, -depth};
                 const float angles[3] = {s.unit() * 6, s.unit() * 6, 0};
                 Matrix4 placement;
                 makePlacement(at, angles, placement);
                 const float size = 0.02f * depth * s.unit();
                 submitQuad(p, *s.camera, placement, Matrix4{}, size, size, s.material);
             }
         }},
        {"cubes crossing the near and side planes", 2,
         [](RenderPipeline& p, Scene& s) {
             for (int i = 0; i < 400; ++i) {
                 const float at[3] = {(s.unit() - 0.5f) * 30, (s.unit() - 0.5f) * 20,
                                      1.0f - 30.0f * s.unit()};
                 const float angles[3] = {s.unit() * 3, s.unit() * 3, s.unit() * 3};
                 Matrix4 placement;
                 makePlacement(at, angles, placement);
                 submitCube(p, *s.camera, placement, Matrix4{}, 1.0f + 4.0f * s.unit(), s.material);
             }
         }},
        {"height-field meshes inside the view, across the near plane and at the sides", 3,
         [](RenderPipeline& p, Scene& s) {
             submitPlacedMesh(p, s, 0, -3, -20, 12, 0.3f);   // inside: submitted unclipped
             submitPlacedMesh(p, s, 0, -1.5f, -3, 6, 1.1f);  // cut by the near plane
             submitPlacedMesh(p, s, 14, -4, -25, 10, 2.0f);  // cut by the right plane
             submitPlacedMesh(p, s, 0, -8, -300, 400, 0.0f); // reaching far away
         }},
        {"many shapes and meshes together", 3,
         [](RenderPipeline& p, Scene& s) {
             const TexCoord corners[4] = {};
             submitGround(p, *s.camera, translationMatrix(0, -6, 0), Matrix4{}, corners, s.material);
             for (int i = 0; i < 1500; ++i) {
                 const float at[3] = {(s.unit() - 0.5f) * 60, (s.unit() - 0.5f) * 40,
                                      2.0f - 90.0f * s.unit()};
                 const float angles[3] = {s.unit() * 3, s.unit() * 3, s.unit() * 3};
                 Matrix4 placement;
                 makePlacement(at, angles, placement);
                 if (i % 3 == 0) {
                     submitQuad(p, *s.camera, placement, Matrix4{}, 3 * s.unit(), 3 * s.unit(), s.material);
                 } else {
                     submitCube(p, *s.camera, placement, Matrix4{}, 0.5f + 2.0f * s.unit(), s.material);
                 }
                 if (i % 300 == 0) {
                     submitPlacedMesh(p, s, at[0], at[1], at[2] - 10, 8, angles[0]);
                 }
             }
         }},
    };
    return table;
}

// What the projection and the ordering leave, copied out of the pipeline.
struct Result {
    std::vector<Vec4> screen;
    std::vector<int32_t> order, keys;
    std::vector<FaceRows> rows, orderedRows;
    bool projected = false, ordered = false;
};

Result resultOf(const RenderPipeline& p) {
    Result r;
    for (int32_t i = 0; i < p.vertexBase; ++i) {
        r.screen.push_back(p.vertices[i].screen);
    }
    const auto n = static_cast<size_t>(p.faceCount);
    r.order.assign(p.faceOrder, p.faceOrder + n);
    r.keys.assign(p.depthKeys, p.depthKeys + n);
    r.rows.assign(p.faceRows, p.faceRows + n);
    r.orderedRows.assign(p.orderedRows, p.orderedRows + n);
    r.projected = p.verticesProjected;
    r.ordered = p.facesOrdered;
    return r;
}

template <typename T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Where two results first differ, for the failure message.
template <typename T>
size_t firstDifference(const std::vector<T>& a, const std::vector<T>& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0) {
            return i;
        }
    }
    return std::min(a.size(), b.size());
}

int32_t varyingDigits(const std::vector<int32_t>& keys) {
    int32_t varying = 0;
    for (uint32_t shift = 0; shift < RADIX_BITS * RADIX_PASSES; shift += RADIX_BITS) {
        const auto digit = [shift](int32_t key) {
            return (static_cast<uint32_t>(key) >> shift) & (RADIX_BUCKETS - 1);
        };
        varying +=
            std::any_of(keys.begin(), keys.end(), [&](int32_t k) { return digit(k) != digit(keys[0]); });
    }
    return varying;
}

struct PassOrderOnPool : testing::PipelineFixture {
    Mesh mesh = makeHeightField(24, 99);

    void build(const Case& c) {
        Scene scene;
        scene.camera = &camera;
        scene.material = &material;
        scene.mesh = &mesh;
        scene.random.seed(2024);
        beginScene(pipeline);
        c.submit(pipeline, scene);
    }

    // Leftovers of an earlier pass must not pass for this pass's results.
    void poisonOutputs() {
        for (int32_t i = 0; i < pipeline.vertexCapacity; ++i) {
            pipeline.vertices[i].screen = {-7.0f, -7.0f, -7.0f, -7.0f};
        }
        const auto n = static_cast<size_t>(pipeline.faceCapacity);
        std::fill(pipeline.faceOrder, pipeline.faceOrder + n, -7);
        std::fill(pipeline.depthKeys, pipeline.depthKeys + n, -7);
        std::fill(pipeline.faceRows, pipeline.faceRows + n, FaceRows{-7.0f, -7.0f});
        std::fill(pipeline.orderedRows, pipeline.orderedRows + n, FaceRows{-7.0f, -7.0f});
    }
};

TEST_F(PassOrderOnPool, EveryPoolLeavesWhatOneThreadLeaves) {
    std::vector<Result> expected;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        build(c);
        poisonOutputs();
        projectVertices(camera, pipeline);
        sortFacesByDepth(pipeline);
        const Result r = resultOf(pipeline);
        // The table covers what each case says it does: which of the sort's passes run.
        EXPECT_EQ(varyingDigits(r.keys), c.varyingDigits);
        // The one-thread result against an oracle of its own: faces stably sorted by key, and
        // each ordered span that of the face in its place.
        std::vector<int32_t> sorted(r.keys.size());
        std::iota(sorted.begin(), sorted.end(), 0);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](int32_t a, int32_t b) { return r.keys[a] < r.keys[b]; });
        EXPECT_EQ(r.order, sorted);
        for (size_t k = 0; k < r.order.size(); ++k) {
            ASSERT_EQ(
                std::memcmp(&r.orderedRows[k], &r.rows[static_cast<size_t>(r.order[k])], sizeof(FaceRows)), 0)
                << k;
        }
        EXPECT_TRUE(r.projected && r.ordered);
        expected.push_back(r);
    }

    // Every size with a thread per slot, and with the dispatching thread as the first (the browser's).
    for (const FirstSlot firstSlot : {FirstSlot::Worker, FirstSlot::CallingThread}) {
        for (uint32_t workers : {2u, 3u, 5u}) {
            WorkerPool pool;
            ASSERT_TRUE(createWorkerPool(pool, workers, 480, firstSlot));
            bool first = true;
            for (size_t i = 0; i < cases().size(); ++i) {
                const Case& c = cases()[i];
                SCOPED_TRACE(::testing::Message()
                             << c.name << ", " << workers << " workers"
                             << (firstSlot == FirstSlot::CallingThread ? ", first here" : ""));
                build(c);
                poisonOutputs();
                const long before = testing::allocationCount().allocations;
                projectAndOrderOnPool(pool, pipeline, camera, 0); // every pass shared, however small
                if (!first) {
                    EXPECT_EQ(testing::allocationCount().allocations, before);
                }
                first = false;
                const Result r = resultOf(pipeline);
                const Result& e = expected[i];
                EXPECT_TRUE(sameBits(r.screen, e.screen)) << "vertex " << firstDifference(r.screen, e.screen);
                EXPECT_TRUE(sameBits(r.keys, e.keys)) << "key " << firstDifference(r.keys, e.keys);
                EXPECT_TRUE(sameBits(r.order, e.order)) << "place " << firstDifference(r.order, e.order);
                EXPECT_TRUE(sameBits(r.rows, e.rows)) << "face " << firstDifference(r.rows, e.rows);
                EXPECT_TRUE(sameBits(r.orderedRows, e.orderedRows))
                    << "place " << firstDifference(r.orderedRows, e.orderedRows);
                EXPECT_TRUE(r.projected && r.ordered);
            }
            destroyWorkerPool(pool);
        }
    }
}

} // namespace
} // namespace tessellune
