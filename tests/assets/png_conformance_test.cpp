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

struct ManifestEntry {
    std::string name;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t error = 0;
};

std::vector<ManifestEntry> readManifest() {
    std::ifstream in(SUITE + "MANIFEST.tsv");
    std::vector<ManifestEntry> entries;
    std::string line;
    std::getline(in, line); // column titles
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        ManifestEntry entry;
        if (fields >> entry.name >> entry.width >> entry.height >> entry.error) {
            entries.push_back(entry);
        }
    }
    return entries;
}

TEST(PngConformance, EveryManifestImageDecodesToItsReferenceBytes) {
    const std::vector<ManifestEntry> entries = readManifest();
    ASSERT_GT(entries.size(), 130u) << "manifest missing or short: " << SUITE;
    int checked = 0;
    for (const ManifestEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        const std::vector<uint8_t> file = readFile(SUITE + entry.name);
        ASSERT_FALSE(file.empty());
        std::vector<uint8_t> pixels;
        const PngInfo info = decodePng(file, pixels);
        ASSERT_EQ(info.error, entry.error);
        if (entry.error != 0) {
            continue;
        }
        EXPECT_EQ(info.width, entry.width);
        EXPECT_EQ(info.height, entry.height);
        const std::string stem = entry.name.substr(0, entry.name.size() - 4);
        const std::vector<uint8_t> expected = readFile(SUITE + stem + ".rgba");
        ASSERT_EQ(pixels.size(), expected.size());
        EXPECT_TRUE(pixels == expected);
        ++checked;
    }
    EXPECT_GT(checked, 120);
}

} // namespace
} // namespace tessellune
