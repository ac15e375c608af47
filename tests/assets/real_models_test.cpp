// The real models in the shared test data load with their published counts, boxes and materials,
// and with the normals a plain per-face, per-vertex computation gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "asset_test_support.h"
#include "assets/obj_loader.h"
#include "assets/texture_store.h"
#include "render/camera.h"
#include "render/mesh_normals.h"
#include "render/pipeline.h"
#include "render/submit.h"

namespace tessellune {
namespace {

using testing_support::OwnedStore;

const std::string MODELS = std::string(TESSELLUNE_SHARED_DIR) + "/testdata/models/";

struct ModelCounts {
    const char* path; // below MODELS
    size_t vertices;
    size_t texcoords; // "vt" lines
    size_t normals;
    size_t triangles;
    float min[3]; // all zero: no box published
    float max[3];
    size_t materials; // "newmtl" lines of the library it names
};

// Counts and boxes as published beside the models (boxes to the printed precision).
// clang-format off
const ModelCounts MODEL_COUNTS[] = {
    {"stanford-bunny/stanford-bunny.obj", 35947, 0, 0, 69451, {-0.09469f, 0.032987f, -0.061874f}, {0.061009f, 0.187321f, 0.0588f}, 0},
    {"spot/spot_triangulated.obj", 2930, 3225, 0, 5856, {-0.471552f, -0.736784f, -0.668909f}, {0.471552f, 0.953646f, 1.049f}, 0},
    {"spot/spot_quadrangulated.obj", 2930, 3225, 0, 5856, {-0.471552f, -0.736784f, -0.668909f}, {0.471552f, 0.953646f, 1.049f}, 0},
    {"spot/spot_control_mesh.obj", 188, 267, 0, 372, {}, {}, 0},
    {"avocado/avocado.obj", 406, 406, 376, 682, {-0.021281f, -4.8e-05f, -0.013809f}, {0.021281f, 0.062848f, 0.013809f}, 1},
    {"cornell-box/CornellBox-Original.obj", 72, 0, 0, 36, {-1.02f, 0.0f, -1.04f}, {1.0f, 1.99f, 0.99f}, 8},
    {"mcguire-cube/cube.obj", 8, 4, 6, 12, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, 0},
    {"polygons/tetris.obj", 52, 0, 1, 86, {-0.149864f, -0.002002f, 1.5e-05f}, {1.850136f, -0.002002f, 2.000015f}, 0},
    {"polygons/hexaSphere.obj", 1760, 0, 0, 3516, {}, {}, 0},
};
// clang-format on

std::unique_ptr<Mesh> load(const std::string& path, TextureStore& store, std::string& console) {
    const size_t slash = path.find_last_of('/');
    testing::internal::CaptureStdout();
    std::unique_ptr<Mesh> mesh = loadObj(path.substr(slash + 1), MODELS + path.substr(0, slash + 1), store);
    console = testing::internal::GetCapturedStdout();
    return mesh;
}

// The rule as first written: every face with a direction scanned for every vertex.
std::vector<Vec4> vertexNormalsByScan(const Mesh& mesh) {
    std::vector<Vec4> normals;
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        Vec4 sum{};
        for (const PipelineFace& face : mesh.faces) {
            const bool degenerate = std::isnan(face.normal.x + face.normal.y + face.normal.z);
            for (int c = 0; c < face.cornerCount && !degenerate; ++c) {
                if (size_t(face.vertex[c]) == i) {
                    sum = scalar::add(sum, face.normal);
                }
            }
        }
        normals.push_back(scalar::normalize(sum));
    }
    return normals;
}

// Also proves the four-lane maths the loader uses gives the scalar path's bits.
TEST(RealModels, LoadWithTheirCountsBoxesAndTheScannedNormalsBitForBit) {
    for (const ModelCounts& model : MODEL_COUNTS) {
        SCOPED_TRACE(model.path);
        OwnedStore owned;
        std::string console;
        const std::unique_ptr<Mesh> mesh = load(model.path, owned.store, console);
        EXPECT_EQ(console.find("skipped"), std::string::npos) << console;
        EXPECT_EQ(mesh->vertices.size(), model.vertices);
        EXPECT_EQ(mesh->texcoords.size(), model.texcoords + 1);
        EXPECT_EQ(mesh->normals.size(), model.normals);
        EXPECT_EQ(mesh->materials.size(), model.materials);
        ASSERT_EQ(mesh->faces.size(), model.triangles);
        for (int axis = 0; axis < 3 && model.max[0] != 0.0f; ++axis) {
            EXPECT_NEAR((&mesh->boxCorners[0].x)[axis], model.min[axis], 1e-5f);
            EXPECT_NEAR((&mesh->boxCorners[7].x)[axis], model.max[axis], 1e-5f);
        }
        size_t degenerate = 0;
        for (const PipelineFace& face : mesh->faces) {
            ASSERT_EQ(face.cornerCount, 3);
            ASSERT_NE(face.material, nullptr);
            const Vec4& p0 = mesh->vertices[size_t(face.vertex[0])].position;
            const Vec4& p1 = mesh->vertices[size_t(face.vertex[1])].position;
            const Vec4& p2 = mesh->vertices[size_t(face.vertex[2])].position;
            const Vec4 n = scalar::cross(scalar::sub(p1, p0), scalar::sub(p2, p0));
            if (scalar::dot(n, n) == 0.0f) {
                ++degenerate;
                ASSERT_TRUE(std::isnan(face.normal.x));
                continue;
            }
            const Vec4 unit = scalar::normalize(n);
            ASSERT_EQ(std::memcmp(&unit, &face.normal, sizeof(Vec4)), 0);
            ASSERT_NEAR(scalar::dot(unit, unit), 1.0f, 1e-4f);
        }
        EXPECT_LT(degenerate, model.triangles / 8 + 1);
        if (model.vertices * model.triangles > 1'000'000) {
            continue; // the scan is quadratic: the larger models would take seconds
        }
        const std::vector<Vec4> expected = vertexNormalsByScan(*mesh);
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(std::memcmp(&expected[i], &mesh->vertices[i].normal, sizeof(Vec4)), 0)
                << "vertex " << i;
        }
    }
}

// Its console lines and material values are the OBJ and MTL readers' own tests.
TEST(RealModels, AvocadoResolvesItsTextureThroughTheStore) {
    OwnedStore owned;
    std::string console;
    const auto mesh = load("avocado/avocado.obj", owned.store, console);
    ASSERT_EQ(owned.store.entries.size(), 2u);
    EXPECT_EQ(owned.store.entries[1]->name, "Avocado_baseColor.png");
    EXPECT_EQ(owned.store.entries[1]->image->width, 2048);
    EXPECT_EQ(mesh->materials.at(0).textureIndex, 1);
    for (const PipelineFace& face : mesh->faces) {
        ASSERT_EQ(face.material, &mesh->materials[0]);
    }
}

// A loaded model submitted through its compact triangles stores, byte for byte, what its face records
// store: placed wholly inside the view, cut by the camera planes, and with a material override. The
// bunny lights with its vertex normals given afterwards; the avocado brings texture coordinates and
// normals of its own.
TEST(RealModels, CompactTrianglesStoreWhatTheFaceRecordsStore) {
    const struct {
        const char* path;
        float scale;
        bool vertexNormals;
    } models[] = {{"stanford-bunny/stanford-bunny.obj", 30.0f, true}, {"avocado/avocado.obj", 70.0f, false}};
    Camera camera;
    createCamera(camera, 640.0f, 480.0f, 640.0f / 480.0f);
    Material override;
    for (const auto& model : models) {
        OwnedStore owned;
        std::string console;
        const auto mesh = load(model.path, owned.store, console);
        if (model.vertexNormals) {
            ASSERT_TRUE(useVertexNormalsAsCornerNormals(*mesh));
        }
        ASSERT_EQ(mesh->triangles.size(), mesh->faces.size()) << model.path;
        Mesh records = *mesh;
        records.triangles.clear();
        const struct {
            float x, z;
            int32_t mask;
            const Material* material;
        } placements[] = {{0.0f, -8.0f, 0, nullptr},
                          {2.5f, -4.0f, CLIP_ALL_PLANES, nullptr},
                          {0.0f, -2.5f, CLIP_ALL_PLANES, &override}};
        for (const auto& placement : placements) {
            const std::string where = std::string(model.path) + " at z " + std::to_string(placement.z);
            RenderPipeline fromTriangles, fromRecords;
            testing::internal::CaptureStdout();
            ASSERT_TRUE(createPipeline(fromTriangles, nullptr));
            ASSERT_TRUE(createPipeline(fromRecords, nullptr));
            testing::internal::GetCapturedStdout();
            for (Mesh* m : {mesh.get(), &records}) {
                m->scale = model.scale;
                m->rotation = Matrix4{};
                rotateY(m->rotation, 0.7f);
                m->translation = translationMatrix(placement.x, -2.0f, placement.z);
                updateWorldMatrix(*m);
                RenderPipeline& pipeline = m == mesh.get() ? fromTriangles : fromRecords;
                beginScene(pipeline);
                ASSERT_TRUE(submitMesh(*m, Matrix4{}, camera, pipeline, placement.mask, placement.material));
            }
            const int32_t count = fromRecords.faceCount;
            EXPECT_GT(count, 100) << where;
            if (placement.mask != 0) {
                EXPECT_GT(fromRecords.vertexBase, static_cast<int32_t>(mesh->vertices.size()))
                    << where << " is cut: the clipper made corners";
            }
            ASSERT_EQ(fromTriangles.faceCount, count) << where;
            EXPECT_EQ(
                std::memcmp(fromTriangles.faces, fromRecords.faces, sizeof(PipelineFace) * size_t(count)), 0)
                << where;
            EXPECT_EQ(
                std::memcmp(fromTriangles.bandFaces, fromRecords.bandFaces, sizeof(BandFace) * size_t(count)),
                0)
                << where;
            EXPECT_EQ(std::memcmp(fromTriangles.vertices, fromRecords.vertices,
                                  sizeof(PipelineVertex) * size_t(fromRecords.vertexBase)),
                      0)
                << where;
            destroyPipeline(fromTriangles);
            destroyPipeline(fromRecords);
        }
    }
}

} // namespace
} // namespace tessellune
