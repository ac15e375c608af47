// Every PngSuite image decodes to its reference RGBA bytes or fails with its listed error number.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assets/file_reader.h"
#include "assets/png_decoder.h"

namespace tessellune {
namespace {

const std::string SUITE = std::string(TESSELLUNE_SHARED_DIR) + "/testdata/pngsuite/";

TEST(PngConformance, EveryManifestImageDecodesToItsReferenceBytes) {
    std::ifstream manifest(SUITE + "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line); // column titles
    int listed = 0, checked = 0;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string name;
        uint32_t width = 0, height = 0;
        int32_t error = 0;
        if (!(fields >> name >> width >> height >> error)) {
            continue;
        }
        ++listed;
        SCOPED_TRACE(name);
        const std::vector<uint8_t> file = readFile(SUITE + name);
        ASSERT_FALSE(file.empty());
        std::vector<uint8_t> pixels;
        const PngInfo info = decodePng(file, pixels);
        ASSERT_EQ(info.error, error);
        if (error != 0) {
            continue;
        }
        EXPECT_EQ(info.width, width);
        EXPECT_EQ(info.height, height);
        const std::vector<uint8_t> expected = readFile(SUITE + name.substr(0, name.size() - 4) + ".rgba");
        ASSERT_EQ(pixels.size(), expected.size());
        EXPECT_TRUE(pixels == expected);
        ++checked;
    }
    EXPECT_GT(listed, 130) << "manifest missing or short: " << SUITE;
    EXPECT_GT(checked, 120);
}

} // namespace
} // namespace tessellune
