// The data set as files: every expected file is written, two runs give identical bytes, the
// build's data folder holds the same, and every PNG reads back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "tests/data/png_inflate.h"
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

bool generate(const fs::path& folder, std::string& error) {
    DatasetPaths paths;
    paths.contentDirectory = std::string(TESSELLUNE_SOURCE_DIR) + "/content";
    paths.fontDirectory = "/usr/share/fonts/truetype/dejavu";
    paths.outputDirectory = folder.string();
    paths.withSoundtrack = false;
    return writeDataset(paths, nullptr, error);
}

TEST(Dataset, TwoRunsWriteTheSameFilesByteForByte) {
    const fs::path first = freshFolder("a"), second = freshFolder("b");
    std::string error;
    ASSERT_TRUE(generate(first, error)) << error;
    ASSERT_TRUE(generate(second, error)) << error;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(first)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const auto bytes = datatest::readBytes(entry.path().string());
        EXPECT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, datatest::readBytes((second / name).string()));
        ++files;
    }
    EXPECT_EQ(files, static_cast<int>(std::size(PNG_FILES) + std::size(TEXT_FILES)));
    for (const char* name : PNG_FILES) {
        SCOPED_TRACE(name);
        RgbaImage image;
        ASSERT_TRUE(datatest::inflatePng(datatest::readBytes((first / name).string()), image, error))
            << error;
        EXPECT_GT(image.width, 0);
    }
    for (const char* name : TEXT_FILES) {
        EXPECT_TRUE(fs::exists(first / name)) << name;
    }
    fs::remove_all(first);
    fs::remove_all(second);
}

TEST(Dataset, ReportsProgressAndFailsCleanlyOnBadFolders) {
    static int calls = 0;
    static double last = -1.0;
    calls = 0;
    DatasetPaths paths;
    paths.contentDirectory = std::string(TESSELLUNE_SOURCE_DIR) + "/content";
    paths.fontDirectory = "/usr/share/fonts/truetype/dejavu";
    paths.outputDirectory = freshFolder("progress").string();
    paths.withSoundtrack = false;
    std::string error;
    ASSERT_TRUE(writeDataset(
        paths,
        [](double fraction, const std::string&) {
            EXPECT_GE(fraction, last);
            last = fraction;
            ++calls;
        },
        error))
        << error;
    EXPECT_EQ(calls, static_cast<int>(std::size(PNG_FILES) + 3 + 1)) << "one call a file, then done";
    EXPECT_EQ(last, 1.0);
    fs::remove_all(paths.outputDirectory);

    paths.contentDirectory = "/nonexistent-content";
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_NE(error.find("titlecards.txt"), std::string::npos);
    paths.contentDirectory = std::string(TESSELLUNE_SOURCE_DIR) + "/content";
    paths.outputDirectory = "/proc/no-such-folder/data";
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_FALSE(error.empty());
}

TEST(Dataset, RefusesACardThatWouldNotFitItsPlaceInTheFrame) {
    const fs::path content = freshFolder("bigcard");
    fs::create_directories(content);
    std::ofstream(content / "titlecards.txt") << "card big.png 110 bold\nTOO LARGE TO FIT\n";
    DatasetPaths paths;
    paths.contentDirectory = content.string();
    paths.fontDirectory = "/usr/share/fonts/truetype/dejavu";
    paths.outputDirectory = (content / "out").string();
    paths.withSoundtrack = false;
    std::string error;
    EXPECT_FALSE(writeDataset(paths, nullptr, error));
    EXPECT_NE(error.find("big.png"), std::string::npos) << error;
    EXPECT_NE(error.find("at most 540 x 70"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(content / "out" / "big.png"));
    fs::remove_all(content);
}

// The build writes the data set next to the programs; it must be what the generator makes now.
TEST(Dataset, TheBuildsDataFolderIsCurrent) {
    const fs::path built = fs::path(TESSELLUNE_BINARY_DIR) / "data";
    ASSERT_TRUE(fs::exists(built / "dunequad.obj")) << "the data target has not run";
    const fs::path fresh = freshFolder("current");
    std::string error;
    ASSERT_TRUE(generate(fresh, error)) << error;
    for (const auto& entry : fs::directory_iterator(fresh)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(datatest::readBytes(entry.path().string()), datatest::readBytes((built / name).string()))
            << name;
    }
    fs::remove_all(fresh);
}

#ifdef TESSELLUNE_HAVE_SYNC_TOOL
bool readContentTimeline(datatest::Timeline& timeline) {
    std::ifstream source(std::string(TESSELLUNE_SOURCE_DIR) + "/content/timeline.txt");
    std::ostringstream text;
    text << source.rdbuf();
    std::string error;
    const bool ok = datatest::readTimeline(text.str(), timeline, error);
    EXPECT_TRUE(ok) << error;
    return ok;
}

// Every track the timeline declares is compiled into data/sync_NAME.track: a count, then 9-byte
// keys of row, value and interpolation type, little-endian; its values match the timeline's.
TEST(Dataset, TheCompiledTracksMatchTheTimeline) {
    datatest::Timeline timeline;
    ASSERT_TRUE(readContentTimeline(timeline));
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

// The compiled tracks evaluate, through the track tool, to the timeline's values at any row.
TEST(Dataset, TheCompiledTracksEvaluateLikeTheTimeline) {
    datatest::Timeline timeline;
    ASSERT_TRUE(readContentTimeline(timeline));
    const double rows[] = {-3.0, 0.0, 100.5, 511.25, 1023.9, 1500.0, 2047.5, 2600.75, 2815.0, 4000.0};
    for (const char* name : {"scene", "lerp", "cam_lerp", "fs", "gtn", "speed"}) {
        SCOPED_TRACE(name);
        std::string command = std::string(TESSELLUNE_BINARY_DIR) + "/tessellune-sync eval " +
                              TESSELLUNE_BINARY_DIR + "/data/sync_" + name + ".track";
        for (double row : rows) {
            command += " " + std::to_string(row);
        }
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        double row = 0.0, value = 0.0;
        int lines = 0;
        while (std::fscanf(pipe, "%lf %lf", &row, &value) == 2) {
            EXPECT_NEAR(value, datatest::valueAt(timeline.tracks.at(name), row), 1e-5) << "row " << row;
            ++lines;
        }
        EXPECT_EQ(pclose(pipe), 0);
        EXPECT_EQ(lines, static_cast<int>(std::size(rows)));
    }
}
#endif

} // namespace
} // namespace tessellune::datagen
