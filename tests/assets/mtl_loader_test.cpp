// The MTL reader: material boundaries, carried properties, textures and bad lines.
#include <gtest/gtest.h>

#include "asset_test_support.h"
#include "assets/mtl_loader.h"

namespace tessellune {
namespace {

struct ParsedLibrary {
    std::vector<Material> materials;
    std::vector<std::string> textures; // the names handed to the resolver, in order
    std::string console;
};

ParsedLibrary parse(const std::string& text) {
    ParsedLibrary parsed;
    testing::internal::CaptureStdout();
    parsed.materials = parseMtl(text, [&](const std::string& name) {
        parsed.textures.push_back(name);
        return int32_t(parsed.textures.size()) + 10;
    });
    parsed.console = testing::internal::GetCapturedStdout();
    return parsed;
}

TEST(MtlLoader, ReadsMaterialsInOrderWithTheirProperties) {
    const ParsedLibrary p = parse("newmtl a\nKa 0.1 0.2 0.3\nKd 1 0 0\nKs 0.5 0.5 0.5\nNs 96.078\nd 0.25\n"
                                  "map_Kd a.png\nillum 2\nnewmtl b\nKa 1 1 1\n");
    ASSERT_EQ(p.materials.size(), 2u);
    const Material& a = p.materials[0];
    EXPECT_EQ(a.name, "a");
    EXPECT_EQ(testing_support::lanes(a.ambient), (testing_support::Lanes{0.1f, 0.2f, 0.3f, 0}));
    EXPECT_EQ(testing_support::lanes(a.diffuse), (testing_support::Lanes{1, 0, 0, 0}));
    EXPECT_EQ(testing_support::lanes(a.specular), (testing_support::Lanes{0.5f, 0.5f, 0.5f, 0}));
    EXPECT_EQ(a.specularExponent, 96);
    EXPECT_EQ(a.opacity, 0.25f);
    EXPECT_EQ(a.textureIndex, 11);
    EXPECT_EQ(a.shaderType, -1);
    EXPECT_EQ(a.check, MATERIAL_CHECK_WORD);
    const Material& b = p.materials[1];
    EXPECT_EQ(b.name, "b");
    EXPECT_EQ(b.textureIndex, 0); // reset by newmtl
    EXPECT_EQ(b.diffuse.x, 0.0f); // reset by newmtl
    EXPECT_EQ(b.specularExponent, 96) << "carried over from a";
    EXPECT_EQ(b.opacity, 0.25f) << "carried over from a";
    EXPECT_EQ(p.textures, std::vector<std::string>{"a.png"});
    EXPECT_EQ(p.console, "texture filename is [a.png]\n");
}

TEST(MtlLoader, TheDefaultMaterialComesFromPropertiesBeforeAnyNewmtlOrAMissingLibrary) {
    const ParsedLibrary none = parse("  Ka 0.63 0.065 0.05 # red\r\n\r\n   \r\nNs 10.0000");
    ASSERT_EQ(none.materials.size(), 1u);
    EXPECT_EQ(none.materials[0].name, "defaultmaterial");
    EXPECT_EQ(none.materials[0].ambient.y, 0.065f);
    EXPECT_EQ(none.materials[0].specularExponent, 10);
    EXPECT_EQ(none.materials[0].opacity, 1.0f);

    const ParsedLibrary dropped = parse("Ka 1 1 1\nnewmtl only\n");
    ASSERT_EQ(dropped.materials.size(), 1u);
    EXPECT_EQ(dropped.materials[0].name, "only");
    EXPECT_EQ(dropped.materials[0].ambient.x, 0.0f);

    // A missing library gives the default material alone.
    testing_support::OwnedStore owned;
    const std::vector<Material> missing = loadMtl("/nonexistent-folder/", "lib.mtl", owned.store);
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].name, "defaultmaterial");
    EXPECT_EQ(missing[0].textureIndex, 0);
}

TEST(MtlLoader, SkipsShortLinesWithAConsoleLine) {
    const ParsedLibrary p =
        parse("newmtl a\nKa 1 1\nKd x 1 1\nNs\nNs abc\nd\nmap_Kd\nnewmtl\nKs 0.5 0.5 0.5\n");
    ASSERT_EQ(p.materials.size(), 1u);
    EXPECT_EQ(p.materials[0].ambient.x, 0.0f);
    EXPECT_EQ(p.materials[0].specular.x, 0.5f);
    EXPECT_TRUE(p.textures.empty());
    EXPECT_EQ(p.console, "mtl line 2 skipped: a colour needs 3 numbers\n"
                         "mtl line 3 skipped: a colour needs 3 numbers\n"
                         "mtl line 4 skipped: Ns needs a number\n"
                         "mtl line 5 skipped: Ns needs a number\n"
                         "mtl line 6 skipped: d needs a number\n"
                         "mtl line 7 skipped: map_Kd needs a file name\n"
                         "mtl line 8 skipped: newmtl needs a name\n");
}

} // namespace
} // namespace tessellune
