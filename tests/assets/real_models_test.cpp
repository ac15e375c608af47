// The real models in the shared test data load with their published counts, boxes and materials.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "asset_test_support.h"
#include "assets/obj_loader.h"
#include "assets/texture_store.h"

namespace tessellune {
namespace {

using testing_support::OwnedStore;

const std::string MODELS = std::string(TESSELLUNE_SHARED_DIR) + "/testdata/models/";

struct ModelCounts {
    const char* folder;
    const char* file;
    size_t vertices;
    size_t texcoords; // "vt" lines
    size_t normals;
    size_t triangles;
    float min[3];
    float max[3];
};

// Counts and boxes as published beside the models (boxes to the printed precision).
const ModelCounts MODEL_COUNTS[] = {
    {"stanford-bunny",
     "stanford-bunny.obj",
     35947,
     0,
     0,
     69451,
     {-0.09469f, 0.032987f, -0.061874f},
     {0.061009f, 0.187321f, 0.0588f}},
    {"spot",
     "spot_triangulated.obj",
     2930,
     3225,
     0,
     5856,
     {-0.471552f, -0.736784f, -0.668909f},
     {0.471552f, 0.953646f, 1.049f}},
    {"spot",
     "spot_quadrangulated.obj",
     2930,
     3225,
     0,
     5856,
     {-0.471552f, -0.736784f, -0.668909f},
     {0.471552f, 0.953646f, 1.049f}},
    {"spot", "spot_control_mesh.obj", 188, 267, 0, 372, {}, {}},
    {"avocado",
     "avocado.obj",
     406,
     406,
     376,
     682,
     {-0.021281f, -4.8e-05f, -0.013809f},
     {0.021281f, 0.062848f, 0.013809f}},
    {"cornell-box", "CornellBox-Original.obj", 72, 0, 0, 36, {-1.02f, 0.0f, -1.04f}, {1.0f, 1.99f, 0.99f}},
    {"mcguire-cube", "cube.obj", 8, 4, 6, 12, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
    {"polygons",
     "tetris.obj",
     52,
     0,
     1,
     86,
     {-0.149864f, -0.002002f, 1.5e-05f},
     {1.850136f, -0.002002f, 2.000015f}},
    {"polygons", "hexaSphere.obj", 1760, 0, 0, 3516, {}, {}},
};

bool isUnit(const Vec4& n) {
    return std::fabs(n.x * n.x + n.y * n.y + n.z * n.z - 1.0f) < 1e-4f && n.w == 0.0f;
}

bool isDegenerate(const Mesh& mesh, const PipelineFace& face) {
    const Vec4& a = mesh.vertices[size_t(face.vertex[0])].position;
    const Vec4& b = mesh.vertices[size_t(face.vertex[1])].position;
    const Vec4& c = mesh.vertices[size_t(face.vertex[2])].position;
    const Vec4 n = scalar::cross(scalar::sub(b, a), scalar::sub(c, a));
    return n.x * n.x + n.y * n.y + n.z * n.z == 0.0f;
}

TEST(RealModels, LoadWithTheirCountsBoxesAndUnitNormals) {
    for (const ModelCounts& model : MODEL_COUNTS) {
        SCOPED_TRACE(model.file);
        OwnedStore owned;
        TextureStore& store = owned.store;
        testing::internal::CaptureStdout();
        const std::unique_ptr<Mesh> mesh = loadObj(model.file, MODELS + model.folder + "/", store);
        const std::string console = testing::internal::GetCapturedStdout();
        EXPECT_EQ(console.find("skipped"), std::string::npos) << console;
        EXPECT_EQ(mesh->vertices.size(), model.vertices);
        EXPECT_EQ(mesh->texcoords.size(), model.texcoords + 1);
        EXPECT_EQ(mesh->normals.size(), model.normals);
        ASSERT_EQ(mesh->faces.size(), model.triangles);
        if (model.max[0] != 0.0f) {
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_NEAR((&mesh->boxCorners[0].x)[axis], model.min[axis], 1e-5f);
                EXPECT_NEAR((&mesh->boxCorners[7].x)[axis], model.max[axis], 1e-5f);
            }
        }
        size_t degenerate = 0;
        for (const PipelineFace& face : mesh->faces) {
            ASSERT_EQ(face.cornerCount, 3);
            ASSERT_NE(face.material, nullptr);
            if (isDegenerate(*mesh, face)) {
                ++degenerate;
            } else {
                ASSERT_TRUE(isUnit(face.normal));
            }
        }
        EXPECT_LT(degenerate, model.triangles / 8 + 1);
    }
}

TEST(RealModels, AvocadoResolvesItsTextureThroughTheStore) {
    OwnedStore owned;
    TextureStore& store = owned.store;
    testing::internal::CaptureStdout();
    const auto mesh = loadObj("avocado.obj", MODELS + "avocado/", store);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "---- loading [avocado.obj]:\n"
                       "material library is [avocado.mtl]\n"
                       "texture filename is [Avocado_baseColor.png]\n"
                       "material is now [2256_Avocado_d]\n");
    ASSERT_EQ(store.entries.size(), 2u);
    EXPECT_EQ(store.entries[1]->name, "Avocado_baseColor.png");
    EXPECT_EQ(store.entries[1]->image->width, 2048);
    ASSERT_EQ(mesh->materials.size(), 1u);
    const Material& material = mesh->materials[0];
    EXPECT_EQ(material.textureIndex, 1);
    EXPECT_EQ(material.shaderType, -1);
    EXPECT_EQ(material.specularExponent, 250);
    EXPECT_EQ(material.ambient.x, 1.0f);
    EXPECT_EQ(material.diffuse.x, 0.0f);
    EXPECT_EQ(material.specular.y, 0.5f);
    for (const PipelineFace& face : mesh->faces) {
        ASSERT_EQ(face.material, &material);
        ASSERT_GE(face.normalIndex[2], 0);
        ASSERT_LT(face.normalIndex[2], 376);
    }
    // Loading the model again through the same store reuses the texture.
    testing::internal::CaptureStdout();
    const auto again = loadObj("avocado.obj", MODELS + "avocado/", store);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(store.entries.size(), 2u);
    EXPECT_EQ(again->materials[0].textureIndex, 1);
}

TEST(RealModels, CornellBoxPicksMaterialsAcrossCarriageReturnsAndNegativeIndices) {
    OwnedStore owned;
    TextureStore& store = owned.store;
    testing::internal::CaptureStdout();
    const auto mesh = loadObj("CornellBox-Original.obj", MODELS + "cornell-box/", store);
    const std::string console = testing::internal::GetCapturedStdout();
    std::string expected =
        "---- loading [CornellBox-Original.obj]:\nmaterial library is [CornellBox-Original.mtl]\n";
    for (const char* line :
         {"g floor", "usemtl floor", "g ceiling", "usemtl ceiling", "g backWall", "usemtl backWall",
          "g rightWall", "usemtl rightWall", "g leftWall", "usemtl leftWall", "usemtl shortBox", "g shortBox",
          "usemtl shortBox", "usemtl tallBox", "g tallBox", "usemtl tallBox", "g light", "usemtl light"}) {
        const std::string text = line;
        const bool group = text[0] == 'g';
        expected += (group ? "group is now [" : "material is now [") + text.substr(group ? 2 : 7) + "]\n";
    }
    EXPECT_EQ(console, expected); // no carriage return survives into a name
    ASSERT_EQ(mesh->materials.size(), 8u);
    ASSERT_EQ(mesh->faces.size(), 36u);
    EXPECT_EQ(mesh->faces[0].material->name, "floor");
    EXPECT_EQ(mesh->faces[35].material->name, "light");
    EXPECT_FLOAT_EQ(mesh->faces[35].material->ambient.x, 0.78f);
    // "f -4 -3 -2 -1" right after the floor's four vertices gives 0, 1, 2 and 0, 2, 3.
    EXPECT_EQ(mesh->faces[0].vertex[0], 0);
    EXPECT_EQ(mesh->faces[1].vertex[2], 3);
    for (const Material& material : mesh->materials) {
        EXPECT_EQ(material.specularExponent, 10);
        EXPECT_EQ(material.opacity, 1.0f);
        EXPECT_EQ(material.textureIndex, 0);
    }
}

} // namespace
} // namespace tessellune
