// The data set as files: every expected file is written, a run gives the bytes the build's run
// wrote, bad folders fail cleanly, and the compiled tracks hold the timeline's keys.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "tests/data/png_read.h"
#include "tests/data/timeline_reader.h"
#include "tools/datagen/dataset.h"

namespace tessellune::datagen {
namespace {

namespace fs = std::filesystem;

const char* const PNG_FILES[] = {"colors512.png",      "envtest256.png",   "openfloor.png",
                                 "tealfloor.png",      "finishedgirl.png", "t-velk.png",
                                 "t-compofilling.png", "t-demosplash.png", "t-cred.png",
                                 "t-time.png",         "t-sorry.png"};
const char* const TEXT_FILES[] = {"dunequad.obj", "tealfloor.obj", "tealfloor.mtl", "blah.obj", "blah.mtl"};

fs::path freshFolder(const std::string& name) {
    const fs::path folder =
        fs::temp_directory_path() / ("tessellune-datagen-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    return folder;
}

DatasetPaths pathsInto(const fs::path& folder) {
    DatasetPaths paths;
    paths.contentDirectory = std::string(TESSELLUNE_SOURCE_DIR) + "/content";
    paths.fontDirectory = "/usr/share/fonts/truetype/dejavu";
    paths.outputDirectory = folder.string();
    paths.withSoundtrack = false;
    return paths;
}

// The build writes the data set next to the programs in a run of its own: a second run here must
// give the same files byte for byte, so the build's folder is both current and reproducible.
// (Every PNG is read back by the loader tests, through two decoders.)
TEST(Dataset, WritesEveryFileReportingProgressAndMatchesTheBuildsRun) {
    const fs::path built = fs::path(TESSELLUNE_BINARY_DIR) / "data";
    ASSERT_TRUE(fs::exists(built / "dunequad.obj")) << "the data target has not run";
    static int calls;
    static double last;
    calls = 0;
    last = -1.0;
    const fs::path fresh = freshFolder("current");
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
    EXPECT_EQ(calls, static_cast<int>(std::size(PNG_FILES) + 3 + 1)) << "one call a file, then done";
    EXPECT_EQ(last, 1.0);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fresh)) {
        const std::string name = entry.path().filename().string();
        const auto bytes = datatest::readBytes(entry.path().string());
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(bytes, datatest::readBytes((built / name).string())) << name;
        ++files;
    }
    EXPECT_EQ(files, static_cast<int>(std::size(PNG_FILES) + std::size(TEXT_FILES)));
    for (const char* name : PNG_FILES) {
        EXPECT_TRUE(fs::exists(fresh / name)) << name;
    }
    for (const char* name : TEXT_FILES) {
        EXPECT_TRUE(fs::exists(fresh / name)) << name;
    }
    fs::remove_all(fresh);
}

TEST(Dataset, FailsCleanlyOnBadFolders) {
    DatasetPaths paths = pathsInto(freshFolder("bad"));
    paths.contentDirectory = "/nonexistent-content";
    std::string error;
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_NE(error.find("titlecards.txt"), std::string::npos);
    paths = pathsInto("/proc/no-such-folder/data");
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_FALSE(error.empty());
    fs::remove_all(freshFolder("bad"));
}

TEST(Dataset, RefusesACardThatWouldNotFitItsPlaceInTheFrame) {
    const fs::path content = freshFolder("bigcard");
    fs::create_directories(content);
    std::ofstream(content / "titlecards.txt") << "card big.png 110 bold\nTOO LARGE TO FIT\n";
    DatasetPaths paths = pathsInto(content / "out");
    paths.contentDirectory = content.string();
    std::string error;
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_NE(error.find("big.png"), std::string::npos) << error;
    EXPECT_NE(error.find("at most 540 x 70"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(content / "out" / "big.png"));
    fs::remove_all(content);
}

#ifdef TESSELLUNE_HAVE_SYNC_TOOL
// Every track the timeline declares is compiled into data/sync_NAME.track: a count, then 9-byte
// keys of row, value and interpolation type, little-endian; its values match the timeline's.
TEST(Dataset, TheCompiledTracksMatchTheTimeline) {
    std::ifstream source(std::string(TESSELLUNE_SOURCE_DIR) + "/content/timeline.txt");
    std::ostringstream text;
    text << source.rdbuf();
    datatest::Timeline timeline;
    std::string error;
    ASSERT_TRUE(datatest::readTimeline(text.str(), timeline, error)) << error;
    for (const auto& [name, keys] : timeline.tracks) {
        SCOPED_TRACE(name);
        const auto bytes =
            datatest::readBytes(std::string(TESSELLUNE_BINARY_DIR) + "/data/sync_" + name + ".track");
        ASSERT_GE(bytes.size(), 4u);
        int32_t count = 0;
        std::memcpy(&count, bytes.data(), 4);
        ASSERT_EQ(count, static_cast<int32_t>(keys.size()));
        ASSERT_EQ(bytes.size(), 4u + 9u * keys.size());
        for (size_t k = 0; k < keys.size(); ++k) {
            int32_t row = 0;
            float value = 0.0f;
            std::memcpy(&row, &bytes[4 + 9 * k], 4);
            std::memcpy(&value, &bytes[8 + 9 * k], 4);
            EXPECT_EQ(row, keys[k].row);
            EXPECT_EQ(value, keys[k].value);
            EXPECT_EQ(static_cast<int8_t>(bytes[12 + 9 * k]), keys[k].type);
        }
    }
}

#endif

} // namespace
} // namespace tessellune::datagen
