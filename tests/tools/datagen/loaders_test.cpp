// The generated meshes as the demo reads them, through its OBJ/MTL loader: the counts, materials
// and face directions expected. (The pictures are read back by the data set's test.)
#include <gtest/gtest.h>

#include <string>

#include "assets/obj_loader.h"
#include "assets/texture_store.h"

namespace tessellune {
namespace {

const std::string DATA = std::string(TESSELLUNE_BINARY_DIR) + "/data/";

TEST(Loaders, EveryMeshLoadsWithItsCountsMaterialsAndFacing) {
    TextureStore store = createTextureStore();

    const auto dune = loadObj("dunequad.obj", DATA, store);
    ASSERT_NE(dune, nullptr);
    EXPECT_EQ(dune->vertices.size(), 289u);
    EXPECT_EQ(dune->normals.size(), 289u);
    EXPECT_EQ(dune->faces.size(), 512u);
    EXPECT_TRUE(dune->materials.empty());
    for (const PipelineFace& face : dune->faces) {
        EXPECT_GT(face.normal.y, 0.0f)
            << "a height field faces up (+y) everywhere, steep lee slopes included";
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(face.normalIndex[k], 0) << "the lit shaders read a normal at every corner";
        }
    }

    const auto floor = loadObj("tealfloor.obj", DATA, store);
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(floor->vertices.size(), 4u);
    ASSERT_EQ(floor->faces.size(), 2u);
    ASSERT_EQ(floor->materials.size(), 1u);
    ASSERT_GE(floor->materials[0].textureIndex, 1);
    EXPECT_EQ(store.entries[size_t(floor->materials[0].textureIndex)]->name, "tealfloor.png");
    for (const PipelineFace& face : floor->faces) {
        EXPECT_EQ(face.material, &floor->materials[0]);
        EXPECT_NEAR(face.normal.z, -1.0f, 1e-6f);
    }

    const auto knot = loadObj("blah.obj", DATA, store);
    ASSERT_NE(knot, nullptr);
    EXPECT_EQ(knot->faces.size(), 3456u);
    ASSERT_EQ(knot->materials.size(), 2u);
    int textured = 0;
    for (const PipelineFace& face : knot->faces) {
        textured += face.material != &knot->defaultMaterial;
    }
    EXPECT_EQ(textured, 3456);
    // The floor's and the knot's textures, each loaded once: placeholder plus three files.
    EXPECT_EQ(store.entries.size(), 4u);
    destroyTextureStore(store);
}

} // namespace
} // namespace tessellune
