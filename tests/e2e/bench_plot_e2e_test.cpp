// The benchmark's frame-time picture: its cases as bands in the order they ran; what it refuses.
#include <gtest/gtest.h>

#include "assets/file_reader.h"
#include "assets/png_decoder.h"
#include "tests/support/process.h"
#include "tools/common/frame_time_chart.h"

using namespace tessellune;
using namespace tessellune::testing;

namespace {

const std::string BENCH = TESSELLUNE_BINARY_DIR "/tessellune-bench";

} // namespace

TEST(BenchPlot, TheCasesAreBandsInTheOrderTheyRanAndBadRequestsAreRefused) {
    TemporaryFolder folder;
    const std::string png = folder.file("bench.png");
    const ProcessResult run = runProcess({BENCH, "--plot", png, "0.3", "fill-textured", "fill-lit"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("wrote " + png), std::string::npos) << run.output;
    std::vector<uint8_t> rgba;
    const PngInfo info = decodePng(readFile(png), rgba);
    ASSERT_EQ(info.error, 0);
    ASSERT_EQ(info.width, static_cast<uint32_t>(tools::FRAMES_WIDTH));
    ASSERT_EQ(info.height, static_cast<uint32_t>(tools::FRAMES_HEIGHT));
    // The strip above the plot: the first case's colour at its left end, the second's at its right.
    const auto stripAt = [&](int x) {
        const size_t i = (static_cast<size_t>(tools::FRAMES_TOP - 4) * info.width + x) * 4;
        return tools::Colour{rgba[i], rgba[i + 1], rgba[i + 2]};
    };
    const auto same = [](tools::Colour a, tools::Colour b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    EXPECT_TRUE(same(stripAt(tools::FRAMES_LEFT + 2), tools::paletteColour(0)));
    EXPECT_TRUE(same(stripAt(tools::FRAMES_WIDTH - tools::FRAMES_RIGHT - 3), tools::paletteColour(1)));

    const struct {
        std::vector<std::string> args;
        const char* message;
    } refused[] = {
        {{BENCH, "--plot", png, "--hashes"}, "--hashes times none"},
        {{BENCH, "--plot", folder.file("no/such/bench.png"), "0.1", "fill-lit"}, "does not exist"},
    };
    for (const auto& r : refused) {
        const ProcessResult result = runProcess(r.args);
        EXPECT_EQ(result.exitCode, 2) << result.output;
        EXPECT_NE(result.output.find(r.message), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("ms/frame"), std::string::npos) << "it timed first:\n" << result.output;
    }
}
