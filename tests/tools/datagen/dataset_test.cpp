// The data set as files: every expected file is written, a run gives the bytes the build's run
// wrote, bad folders fail cleanly, and the compiled tracks hold the timeline's keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "assets/file_reader.h"
#include "tests/support/temporary_folder.h"
#include "tests/tools/datagen/png_read.h"
#include "tools/datagen/dataset.h"

namespace tessellune::datagen {
namespace {

namespace fs = std::filesystem;

const char* const FILES[] = {"colors512.png",    "envtest256.png", "openfloor.png",      "tealfloor.png",
                             "finishedgirl.png", "t-velk.png",     "t-compofilling.png", "t-demosplash.png",
                             "t-cred.png",       "t-time.png",     "t-sorry.png",        "dunequad.obj",
                             "tealfloor.obj",    "tealfloor.mtl",  "blah.obj",           "blah.mtl"};
constexpr int PICTURES = 11; // one progress call each, as for the three meshes and the end

DatasetPaths pathsInto(const fs::path& folder) {
    DatasetPaths paths;
    paths.contentDirectory = std::string(TESSELLUNE_SOURCE_DIR) + "/content";
    paths.fontDirectory = "/usr/share/fonts/truetype/dejavu";
    paths.outputDirectory = folder.string();
    paths.withSoundtrack = false;
    return paths;
}

// The build writes the data set next to the programs in a run of its own: a second run here must
// give the same files byte for byte, so the build's folder is both current and reproducible. Every
// picture must also read back with sound chunk CRCs through the demo's decoder.
TEST(Dataset, WritesEveryFileReportingProgressAndMatchesTheBuildsRun) {
    const fs::path built = fs::path(TESSELLUNE_BINARY_DIR) / "data";
    ASSERT_TRUE(fs::exists(built / "dunequad.obj")) << "the data target has not run";
    static int calls;
    static double last;
    calls = 0;
    last = -1.0;
    const testing::TemporaryFolder folder;
    const fs::path fresh = folder.file("data");
    std::string error;
    ASSERT_TRUE(writeDataset(
        pathsInto(fresh),
        [](double fraction, const std::string&) {
            EXPECT_GE(fraction, last);
            last = fraction;
            ++calls;
        },
        error))
        << error;
    EXPECT_EQ(calls, PICTURES + 3 + 1) << "one call a file, then done";
    EXPECT_EQ(last, 1.0);
    EXPECT_EQ(std::distance(fs::directory_iterator(fresh), {}), static_cast<long>(std::size(FILES)));
    for (const char* name : FILES) {
        const auto bytes = readFile((fresh / name).string());
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(bytes, readFile((built / name).string())) << name;
        RgbaImage image;
        EXPECT_TRUE(fs::path(name).extension() != ".png" || datatest::readPng(bytes, image, error))
            << name << ": " << error;
    }
}

TEST(Dataset, FailsCleanlyOnBadFoldersAndCardsTooLargeForTheFrame) {
    const testing::TemporaryFolder folder;
    DatasetPaths paths = pathsInto(folder.file("data"));
    paths.contentDirectory = "/nonexistent-content";
    std::string error;
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_NE(error.find("titlecards.txt"), std::string::npos);
    paths = pathsInto("/proc/no-such-folder/data");
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_FALSE(error.empty());
    // A card that would not fit its place in the frame is refused.
    const fs::path content = folder.path();
    std::ofstream(content / "titlecards.txt") << "card big.png 110 bold\nTOO LARGE TO FIT\n";
    paths = pathsInto(content / "out");
    paths.contentDirectory = content.string();
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_NE(error.find("big.png"), std::string::npos) << error;
    EXPECT_NE(error.find("at most 540 x 70"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(content / "out" / "big.png"));
}

} // namespace
} // namespace tessellune::datagen
