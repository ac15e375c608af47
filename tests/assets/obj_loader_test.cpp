// The OBJ reader on small texts: corner forms, fanning, materials, console lines and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "asset_test_support.h"
#include "assets/mesh_geometry.h"
#include "assets/mtl_loader.h"
#include "assets/obj_loader.h"
#include "tests/support/misaligned_new.h"

namespace tessellune {
namespace {

using testing_support::Lanes;
using testing_support::lanes;

// Material libraries by name, parsed as MTL text; textures resolve to index 5.
struct Libraries {
    std::map<std::string, std::string> texts;
    MaterialLibraryReader reader() const {
        return [this](const std::string& name) {
            const auto found = texts.find(name);
            return parseMtl(found == texts.end() ? std::string_view() : std::string_view(found->second),
                            [](const std::string&) { return 5; });
        };
    }
};

struct Parsed {
    std::unique_ptr<Mesh> mesh;
    std::string console;
};

Parsed parse(const std::string& text, const Libraries& libraries = {}) {
    ::testing::internal::CaptureStdout();
    Parsed parsed;
    parsed.mesh = parseObj(text, libraries.reader());
    parsed.console = ::testing::internal::GetCapturedStdout();
    return parsed;
}

const char* const SQUARE = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

void expectCorners(const PipelineFace& face, std::array<int32_t, 3> vertex, std::array<int32_t, 3> texcoord,
                   std::array<int32_t, 3> normal) {
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(face.vertex[c], vertex[size_t(c)]) << "corner " << c;
        EXPECT_EQ(face.texcoord[c], texcoord[size_t(c)]) << "corner " << c;
        EXPECT_EQ(face.normalIndex[c], normal[size_t(c)]) << "corner " << c;
    }
    EXPECT_EQ(face.cornerCount, 3);
    EXPECT_EQ(face.facing, 0.0f);
    EXPECT_EQ(face.carried, 0);
}

// Negative indices count back from the latest element so far, not from the end of the file.
TEST(ObjLoader, FansPolygonsAndStoresCornerIndices) {
    const Parsed p = parse(std::string(SQUARE) +
                           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n" +
                           "f 1/1/1 2/2/2 3/3/3 4/4/4\nf 2//2 3//2 4//2\nf 1/2 2/3/ 3\n" +
                           "f -4/-1/-4 -3/-2/-3 -1/-3/-1\nv 5 5 5\nf -5 -4 -1\n");
    ASSERT_EQ(p.mesh->faces.size(), 6u);
    expectCorners(p.mesh->faces[0], {0, 1, 2}, {1, 2, 3}, {0, 1, 2});
    expectCorners(p.mesh->faces[1], {0, 2, 3}, {1, 3, 4}, {0, 2, 3});
    expectCorners(p.mesh->faces[2], {1, 2, 3}, {0, 0, 0}, {1, 1, 1});
    expectCorners(p.mesh->faces[3], {0, 1, 2}, {2, 3, 0}, {-1, -1, -1});
    expectCorners(p.mesh->faces[4], {0, 1, 3}, {4, 3, 2}, {0, 1, 3});
    expectCorners(p.mesh->faces[5], {0, 1, 4}, {0, 0, 0}, {-1, -1, -1});
    EXPECT_EQ(p.mesh->texcoords.size(), 5u);
    EXPECT_EQ(p.mesh->texcoords[2].u, 1.0f);
    ASSERT_EQ(p.mesh->normals.size(), 4u);
    EXPECT_EQ(lanes(p.mesh->normals[3]), (Lanes{0, 0, 1, 0}));
}

// The first face comes before its vertices: normals wait for the whole file.
TEST(ObjLoader, ComputesNormalsAndBox) {
    const Parsed p = parse("f 1 2 3\nv 0 0 0\nv 2 0 0\nv 0 2 0\nv 0 0 -3\nv 9 9 9\nf 1 4 2\nf 1 1 2\n");
    ASSERT_EQ(p.mesh->faces.size(), 3u);
    EXPECT_EQ(lanes(p.mesh->faces[0].normal), (Lanes{0, 0, 1, 0}));
    EXPECT_EQ(lanes(p.mesh->faces[1].normal), (Lanes{0, -1, 0, 0})); // (0, 0, -3) x (2, 0, 0)
    // Degenerate: 0/0. That it stays out of the vertex sums is checked by the real models' scan.
    EXPECT_TRUE(std::isnan(p.mesh->faces[2].normal.x));
    // Vertex 2 belongs to the first face only; vertex 4 to no face.
    EXPECT_EQ(p.mesh->vertices[2].normal.z, 1.0f);
    EXPECT_TRUE(std::isnan(p.mesh->vertices[4].normal.x));
    // Corners: bit 0 picks max x, bit 1 max y, bit 2 max z.
    const Vec4* box = p.mesh->boxCorners;
    EXPECT_EQ(lanes(box[0]), (Lanes{0, 0, -3, 0}));
    EXPECT_EQ(lanes(box[1]), (Lanes{9, 0, -3, 0}));
    EXPECT_EQ(lanes(box[6]), (Lanes{0, 9, 9, 0}));
    EXPECT_EQ(lanes(box[7]), (Lanes{9, 9, 9, 0}));
}

TEST(ObjLoader, SelectsMaterialsByTheLatestLibraryAndName) {
    Libraries libraries;
    libraries.texts["one.mtl"] =
        "newmtl defaultmat\nKa 1 0 0\nnewmtl red\nKa 1 0 0\nnewmtl red\nKa 0.5 0 0\n";
    libraries.texts["two.mtl"] = "newmtl blue\nKa 0 0 1\n";
    const Parsed p =
        parse(std::string(SQUARE) + "f 1 2 3\n"                         // before any mtllib: the mesh default
                                    "mtllib one.mtl\nf 1 2 3\n"         // "defaultmat" from the library
                                    "usemtl red # comment\r\nf 1 2 3\n" // the last "red" wins
                                    "usemtl nothing\nf 1 2 3\n"
                                    "mtllib two.mtl\nusemtl red\nf 1 2 3\nusemtl blue\nf 1 2 3\n",
              libraries);
    ASSERT_EQ(p.mesh->faces.size(), 6u);
    const Material& fallback = p.mesh->defaultMaterial;
    EXPECT_EQ(fallback.name, "(unnamed)");
    EXPECT_EQ(fallback.textureIndex, -1);
    EXPECT_EQ(fallback.shaderType, 0);
    EXPECT_EQ(fallback.check, MATERIAL_CHECK_WORD);
    EXPECT_EQ(p.mesh->faces[0].material, &fallback);
    EXPECT_EQ(p.mesh->faces[1].material->name, "defaultmat");
    EXPECT_EQ(p.mesh->faces[2].material->name, "red");
    EXPECT_EQ(p.mesh->faces[2].material->ambient.x, 0.5f);
    EXPECT_EQ(p.mesh->faces[3].material, &fallback);
    // After the second library "red" is no longer found, but the earlier faces' record lives on.
    EXPECT_EQ(p.mesh->faces[4].material, &fallback);
    EXPECT_EQ(p.mesh->faces[5].material->name, "blue");
    EXPECT_EQ(p.mesh->materials.size(), 4u);
    EXPECT_EQ(p.console, "material library is [one.mtl]\n"
                         "material is now [red]\n"
                         "material is now [nothing]\n"
                         "material library is [two.mtl]\n"
                         "material is now [red]\n"
                         "material is now [blue]\n");
}

TEST(ObjLoader, PrintsGroupsAndToleratesSpacingCommentsAndLineEnds) {
    const Parsed p = parse("# header\r\n\r\ng  top \r\nv\t0 0 0 \r\nv 1  0\t0\r\nv 0 1 0  \r\n"
                           "f 1 2 3 # tail\r\n  f  3  2  1 \r\ng\nf 1 2 3");
    EXPECT_EQ(p.console, "group is now [top]\ngroup is now []\n");
    ASSERT_EQ(p.mesh->faces.size(), 3u);
    expectCorners(p.mesh->faces[1], {2, 1, 0}, {0, 0, 0}, {-1, -1, -1});
}

TEST(ObjLoader, SkipsBadLinesWithAConsoleLine) {
    const Parsed p = parse(std::string(SQUARE) + "v 1 2\n"            // line 5: too few numbers
                                                 "vt 0.5\nvn 1 x 0\n" // lines 6, 7
                                                 "f 1 2\n"            // line 8: two corners
                                                 "f 1 2 3 9\n"        // line 9: position 9 does not exist
                                                 "f 1/7 2 3\n"  // line 10: no texture coordinates at all
                                                 "f 1//1 2 3\n" // line 11: no normals at all
                                                 "f -5 1 2\n"   // line 12: before the first vertex
                                                 "f 0 1 2\n"    // line 13: 0 is no position
                                                 "f a b c\n"    // line 14
                                                 "f 4 3 2\n");  // line 15: fine
    ASSERT_EQ(p.mesh->faces.size(), 1u);
    expectCorners(p.mesh->faces[0], {3, 2, 1}, {0, 0, 0}, {-1, -1, -1});
    EXPECT_EQ(p.mesh->vertices.size(), 4u);
    std::string expected = "obj line 5 skipped: v needs 3 numbers\nobj line 6 skipped: vt needs 2 numbers\n"
                           "obj line 7 skipped: vn needs 3 numbers\n"
                           "obj line 8 skipped: a face needs at least 3 corners\n";
    for (int line = 9; line <= 14; ++line) {
        expected += "obj line " + std::to_string(line) + " skipped: a face index is out of range\n";
    }
    EXPECT_EQ(p.console, expected);
}

// A face line of n corners: "f 1 2 3 1 2 3 ...".
std::string faceOf(size_t corners) {
    std::string line = "f";
    for (size_t k = 0; k < corners; ++k) {
        line += k % 3 == 0 ? " 1" : k % 3 == 1 ? " 2" : " 3";
    }
    return line + "\n";
}

// Input that would take memory without bound is refused or stopped, never thrown out of the loader.
TEST(ObjLoader, MemoryStaysBoundedAndRunningOutLeavesAnEmptyMesh) {
    const Parsed widest = parse(std::string(SQUARE) + faceOf(65536) + faceOf(65537));
    EXPECT_EQ(widest.mesh->faces.size(), 65534u) << "the widest accepted polygon, fanned";
    EXPECT_EQ(widest.console, "obj line 6 skipped: a face has more than 65536 corners\n");

    // One library named a thousand times is read once, and naming it selects its materials.
    Libraries libraries;
    std::string many;
    for (int i = 0; i < 1000; ++i) {
        many += "newmtl m" + std::to_string(i) + "\nKa 1 1 1\n";
    }
    libraries.texts["many.mtl"] = many;
    libraries.texts["other.mtl"] = "newmtl m7\nKa 0 0 1\n";
    int reads = 0;
    const MaterialLibraryReader counting = [&](const std::string& name) {
        ++reads;
        return libraries.reader()(name);
    };
    std::string text = std::string(SQUARE) + "mtllib other.mtl\n";
    for (int i = 0; i < 1000; ++i) {
        text += "mtllib many.mtl\n";
    }
    text += "usemtl m7\nf 1 2 3\nmtllib other.mtl\nusemtl m7\nf 1 2 3\n";
    ::testing::internal::CaptureStdout();
    const std::unique_ptr<Mesh> repeated = parseObj(text, counting);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(repeated->materials.size(), 1001u);
    ASSERT_EQ(repeated->faces.size(), 2u);
    EXPECT_EQ(repeated->faces[0].material->ambient.z, 1.0f);
    EXPECT_EQ(repeated->faces[0].material->ambient.x, 1.0f) << "m7 of many.mtl";
    EXPECT_EQ(repeated->faces[1].material->ambient.x, 0.0f) << "m7 of other.mtl again";

    // Out of memory in the middle of a parse: an empty mesh and one line.
    const std::string big = std::string(SQUARE) + faceOf(60000);
    testing::refuseAllocationsFrom(1 << 20);
    const Parsed starved = parse(big);
    testing::refuseAllocationsFrom(0);
    EXPECT_TRUE(starved.mesh->faces.empty());
    EXPECT_TRUE(starved.mesh->vertices.empty());
    EXPECT_EQ(starved.mesh->boxCorners[0].x, 1e20f);
    EXPECT_EQ(starved.console, "obj loader out of memory: the mesh is left empty\n");
    EXPECT_EQ(parse(big).mesh->faces.size(), 59998u) << "and with the memory it loads";
}

TEST(ObjLoader, MissingFileGivesAnEmptyMeshAfterTheLoadingLine) {
    testing_support::OwnedStore owned;
    ::testing::internal::CaptureStdout();
    const std::unique_ptr<Mesh> mesh = loadObj("nothing.obj", "/nonexistent-folder/", owned.store);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "---- loading [nothing.obj]:\n");
    EXPECT_TRUE(mesh->vertices.empty() && mesh->faces.empty() && mesh->materials.empty());
    EXPECT_EQ(mesh->boxCorners[0].x, 1e20f);
}

} // namespace
} // namespace tessellune
