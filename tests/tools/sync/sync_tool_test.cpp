// The tessellune-sync commands end to end on real files: compile, dump, eval and their errors.
#include <gtest/gtest.h>

#include <filesystem>

#include <sys/wait.h>

#include <bit>
#include <cstdlib>
#include <random>

#include "tests/sync/scratch_files.h"
#include "tools/sync/sync_tool.h"
#include "tools/sync/track_writer.h"

using namespace tessellune;
using namespace tessellune::testing;

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun run(const std::vector<std::string>& args) {
    ToolRun result;
    result.status = runSyncTool(args, result.out, result.err);
    return result;
}

size_t filesIn(const std::filesystem::path& folder) {
    return std::filesystem::exists(folder)
               ? static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}))
               : 0;
}

} // namespace

TEST(SyncTool, CompileWritesEveryDeclaredOrKeyedTrackOfTheDocumentedExample) {
    TemporaryFolder folder;
    writeFile(
        folder.file("timeline.txt"),
        "# a comment runs to the end of the line; blank lines are ignored\n"
        "tempo 135                 # optional: sets beats per minute for positions written in beats\n"
        "track fs                  # declares a track; a declared track with no keys compiles to count 0\n"
        "scene 0 10 step           # TRACK POSITION VALUE INTERPOLATION: one key per line\n"
        "fs 8s 1.0 linear          # position in seconds: row = seconds x 18, rounded to the nearest row\n"
        "lerp 32b 0.5 smooth       # position in beats (needs a tempo): row = beats x 60 / tempo x 18\n"
        "\n"
        "track empty\n");
    const ToolRun compiled = run({"compile", folder.file("timeline.txt"), folder.file("data")});
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_NE(compiled.out.find("compiled 4 tracks (3 keys)"), std::string::npos) << compiled.out;
    EXPECT_EQ(filesIn(folder.file("data")), 4u);
    EXPECT_EQ(readFile(folder.file("data/sync_fs.track")), le32(1) + keyBytes(144, 1.0f, 1));
    EXPECT_EQ(readFile(folder.file("data/sync_scene.track")), le32(1) + keyBytes(0, 10.0f, 0));
    EXPECT_EQ(readFile(folder.file("data/sync_lerp.track")), le32(1) + keyBytes(256, 0.5f, 2));
    EXPECT_EQ(readFile(folder.file("data/sync_empty.track")), le32(0));

    // Another base names the files differently, and recompiling replaces them.
    ASSERT_EQ(run({"compile", folder.file("timeline.txt"), folder.file("other"), "--base", "cue"}).status, 0);
    EXPECT_EQ(readFile(folder.file("other/cue_empty.track")), le32(0));
    writeFile(folder.file("timeline.txt"), "fs 0 0.5 step\n");
    ASSERT_EQ(run({"compile", folder.file("timeline.txt"), folder.file("data")}).status, 0);
    EXPECT_EQ(readFile(folder.file("data/sync_fs.track")), le32(1) + keyBytes(0, 0.5f, 0));
}

// The message of a bad timeline, and that no track is written for it, are the program's test below.
TEST(SyncTool, ErrorsLeaveTheOldTracksUntouched) {
    TemporaryFolder folder;
    writeFile(folder.file("timeline.txt"), "track fs\nfs 0 0 linear\nscene 0 10 sideways\n");
    std::filesystem::create_directories(folder.file("data"));
    writeFile(folder.file("data/sync_fs.track"), "old");
    EXPECT_EQ(run({"compile", folder.file("timeline.txt"), folder.file("data")}).status, 1);
    EXPECT_EQ(readFile(folder.file("data/sync_fs.track")), "old");
    EXPECT_EQ(filesIn(folder.file("data")), 1u);

    const ToolRun missing = run({"compile", folder.file("absent.txt"), folder.file("data")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("absent.txt: cannot read"), std::string::npos);
}

TEST(SyncTool, DumpThenCompileReproducesFilesByteForByte) {
    TemporaryFolder folder;
    std::mt19937 random(3);
    for (int file = 0; file < 40; ++file) {
        const int wanted = file == 0 ? 0 : static_cast<int>(random() % 60);
        std::string keys;
        int count = 0;
        // File 1 starts near the lowest row, file 2 takes huge steps up to the highest.
        int64_t row = -static_cast<int64_t>(random() % 100000) - (file == 1 ? 2147383648 : 0);
        for (; count < wanted && row <= INT32_MAX; ++count) {
            // Any pattern: NaN payloads, infinities, subnormals.
            const float value = std::bit_cast<float>(static_cast<uint32_t>(random()));
            keys += keyBytes(static_cast<int32_t>(row), value, static_cast<int>(random() % 256));
            row += 1 + static_cast<int64_t>(random() % (file == 2 ? 100000000 : 50));
        }
        const std::string bytes = le32(static_cast<uint32_t>(count)) + keys;
        const std::string name = "track" + std::to_string(file);
        const std::string original = folder.file("sync_" + name + ".track");
        writeFile(original, bytes);
        const ToolRun dumped = run({"dump", original});
        ASSERT_EQ(dumped.status, 0) << dumped.err;
        writeFile(folder.file("dump.txt"), dumped.out);
        const ToolRun compiled = run({"compile", folder.file("dump.txt"), folder.file("again")});
        ASSERT_EQ(compiled.status, 0) << compiled.err << "\n" << dumped.out;
        ASSERT_EQ(readFile(folder.file("again/sync_" + name + ".track")), bytes) << dumped.out;
    }
}

TEST(SyncTool, DumpNamesTheTrackAfterTheBaseAndExplainsOddFiles) {
    TemporaryFolder folder;
    writeFile(folder.file("cue_cam_a.track"), le32(3) + keyBytes(0, 1.0f, 1) + keyBytes(18, 2.0f, 9) + "xyz");
    const ToolRun dumped = run({"dump", folder.file("cue_cam_a.track"), "--base", "cue"});
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_NE(dumped.out.find("announces 3 keys but holds 2 whole keys"), std::string::npos) << dumped.out;
    EXPECT_NE(dumped.out.find("3 bytes after the last whole key"), std::string::npos) << dumped.out;
    EXPECT_NE(dumped.out.find("track cam_a\ncam_a 0 1 linear\ncam_a 18 2 9\n"), std::string::npos)
        << dumped.out;

    writeFile(folder.file("sync_neg.track"), le32(0xfffffffeu) + keyBytes(0, 1.0f, 1));
    const ToolRun negative = run({"dump", folder.file("sync_neg.track")});
    EXPECT_NE(negative.out.find("announces -2 keys: the demo reads an empty track"), std::string::npos);
    writeFile(folder.file("sync_short.track"), "ab");
    EXPECT_NE(run({"dump", folder.file("sync_short.track")}).out.find("too short to hold a key count"),
              std::string::npos);

    writeFile(folder.file("sync_back.track"), le32(2) + keyBytes(5, 1.0f, 1) + keyBytes(5, 2.0f, 1));
    const ToolRun backwards = run({"dump", folder.file("sync_back.track")});
    EXPECT_EQ(backwards.status, 0);
    EXPECT_NE(backwards.out.find("# warning: key 1 (row 5) is not after key 0 (row 5)"), std::string::npos);
    EXPECT_NE(backwards.err.find("not in strictly increasing row order"), std::string::npos);

    // A file whose name is not BASE_NAME.track names no track.
    for (const char* bad : {"cue_cam_a.track", "sync_.track", "synccam.track", "sync_cam.trak", "track"}) {
        writeFile(folder.file(bad), le32(0));
        EXPECT_EQ(run({"dump", folder.file(bad)}).status, 1) << bad;
    }
    EXPECT_EQ(run({"dump", folder.file("sync_absent.track")}).status, 1);
}

TEST(SyncTool, EvalPrintsOneLinePerRowAndReadsMissingFilesAsZero) {
    TemporaryFolder folder;
    writeFile(folder.file("sync_t.track"), le32(2) + keyBytes(0, 0.0f, 3) + keyBytes(10, 1.0f, 0));
    const ToolRun evaluated = run({"eval", folder.file("sync_t.track"), "-0.25", "2.5", "10", "1e9"});
    ASSERT_EQ(evaluated.status, 0) << evaluated.err;
    EXPECT_EQ(evaluated.out, "-0.25 0\n2.5 0.0625\n10 1\n1e9 1\n");
    const ToolRun missing = run({"eval", folder.file("sync_absent.track"), "0", "100"});
    EXPECT_EQ(missing.status, 0);
    EXPECT_EQ(missing.out, "0 0\n100 0\n");
    EXPECT_EQ(run({"eval", folder.file("sync_t.track"), "soon"}).status, 2);
}

TEST(SyncTool, BadUsageExitsWithTwo) {
    const std::vector<std::string> usages[] = {
        {},       {"compile"},         {"compile", "a.txt"}, {"compile", "a.txt", "out", "--base"},
        {"dump"}, {"eval", "x.track"}, {"frobnicate", "x"}};
    for (const std::vector<std::string>& args : usages) {
        const ToolRun result = run(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
}

// The program's own success is the build's: it compiles the show's timeline, which the data tests
// read back through the demo's loader.
TEST(SyncTool, TheProgramReportsErrorsOnStandardErrorAndExitsWithOne) {
    TemporaryFolder folder;
    writeFile(folder.file("bad.txt"), "fs 0 0.25 step\nfs 0 1 step\n");
    const std::string failing = std::string(TESSELLUNE_BINARY_DIR) + "/tessellune-sync compile " +
                                folder.file("bad.txt") + " " + folder.file("data") + " > " +
                                folder.file("out.txt") + " 2> " + folder.file("err.txt");
    const int status = std::system(failing.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(readFile(folder.file("err.txt")).find("bad.txt:2: key of track 'fs'"), std::string::npos);
    EXPECT_EQ(readFile(folder.file("out.txt")), "");
    EXPECT_EQ(filesIn(folder.file("data")), 0u);
}
