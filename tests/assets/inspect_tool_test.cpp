// tessellune-inspect as authors and checks run it: its output lines and exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>

#include "assets/file_reader.h"
#include "tests/support/process.h"

namespace tessellune {
namespace {

const std::string TOOL = std::string(TESSELLUNE_BINARY_DIR) + "/tessellune-inspect";
const std::string DATA = std::string(TESSELLUNE_SHARED_DIR) + "/testdata/";

struct ToolRun {
    std::string output;
    int status = -1;
};

// Runs the tool with the arguments split at spaces; its standard output, and its exit status.
ToolRun run(const std::string& arguments) {
    std::vector<std::string> argv = {TOOL};
    std::istringstream words(arguments);
    for (std::string word; words >> word;) {
        argv.push_back(word);
    }
    const testing::ProcessResult result = testing::runProcess(argv);
    return {result.output, result.exitCode};
}

TEST(InspectTool, PngPrintsSizeAndErrorAndWritesRgbaAndObjPrintsCountsAndBox) {
    const std::string out =
        std::filesystem::temp_directory_path() / ("tessellune-inspect-" + std::to_string(getpid()) + ".rgba");
    const ToolRun good = run("png " + DATA + "pngsuite/basi3p04.png --rgba " + out);
    EXPECT_EQ(good.output, "32 32 0\n");
    EXPECT_EQ(good.status, 0);
    EXPECT_TRUE(readFile(out) == readFile(DATA + "pngsuite/basi3p04.rgba"));
    std::filesystem::remove(out);

    const ToolRun bad = run("png " + DATA + "pngsuite/xd0n2c08.png");
    EXPECT_EQ(bad.output, "0 0 37\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(run("png /nonexistent-file.png").output, "0 0 48\n");

    const ToolRun cube = run("obj " + DATA + "models/mcguire-cube/cube.obj");
    EXPECT_EQ(cube.status, 0);
    EXPECT_EQ(cube.output, "---- loading [cube.obj]:\n"
                           "vertices 8\nnormals 6\ntexcoords 5\nfaces 12\nmaterials 0\n"
                           "min -0.5 -0.5 -0.5\nmax 0.5 0.5 0.5\n");
}

TEST(InspectTool, RejectsUnknownSubcommandsAndMissingArguments) {
    for (const char* usage : {"", "nonsense x", "png", "obj", "bake"}) {
        EXPECT_EQ(run(usage).status, 2) << usage;
    }
    EXPECT_EQ(run("bake /nonexistent-folder").status, 1) << "no dune tile there";
}

} // namespace
} // namespace tessellune
