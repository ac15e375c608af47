// The capture tool: the same frame whichever way it is reached, in two runs of the program (the one
// determinism check of the show).
#include <gtest/gtest.h>

#include <filesystem>

#include "assets/file_reader.h"
#include "tests/support/process.h"

using namespace tessellune;
using namespace tessellune::testing;
namespace fs = std::filesystem;

const std::string CAPTURE = TESSELLUNE_BINARY_DIR "/tessellune-capture";

TEST(CaptureEndToEnd, AFrameReachedThroughEveryFrameEqualsTheFrameCapturedAlone) {
    TemporaryFolder folder;
    const std::string frames = folder.path() + "/frames";
    const ProcessResult run =
        runProcess({CAPTURE, "--fps", "30", "--from", "10", "--to", "10.2", "--frames", frames});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("per-scene frame times"), std::string::npos);
    int count = 0;
    for (const auto& entry : fs::directory_iterator(frames)) {
        count += entry.path().extension() == ".png" ? 1 : 0;
    }
    EXPECT_EQ(count, 7); // frames 300 to 306
    const ProcessResult alone = runProcess({CAPTURE, "--at", "10.1", "--out", folder.file("alone.png")});
    ASSERT_EQ(alone.exitCode, 0) << alone.output;
    EXPECT_EQ(readFile(frames + "/frame_000303.png"), readFile(folder.file("alone.png")));
}
