// The capture tool: the same frame whichever way it is reached, in two runs of the program (the one
// determinism check of the show).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "assets/file_reader.h"
#include "assets/png_decoder.h"
#include "tests/support/process.h"
#include "tools/common/frame_time_chart.h"

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
    EXPECT_NE(run.output.find("wrote " + frames), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("per-scene frame times"), std::string::npos) << "figures belong to --report";
    int count = 0;
    for (const auto& entry : fs::directory_iterator(frames)) {
        count += entry.path().extension() == ".png" ? 1 : 0;
    }
    EXPECT_EQ(count, 7); // frames 300 to 306
    const ProcessResult alone = runProcess({CAPTURE, "--at", "10.1", "--out", folder.file("alone.png")});
    ASSERT_EQ(alone.exitCode, 0) << alone.output;
    EXPECT_EQ(readFile(frames + "/frame_000303.png"), readFile(folder.file("alone.png")));
}

// The report names when the worst frame of a scene came, inside the range rendered, and a 99 %
// bound that no frame can exceed beyond the worst.
TEST(CaptureEndToEnd, TheReportSaysWhenTheWorstFrameCameAndBoundsTheRest) {
    const ProcessResult run =
        runProcess({CAPTURE, "--fps", "30", "--from", "10", "--to", "10.2", "--report"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const size_t line = run.output.find("\nscene ", run.output.find("per-scene frame times"));
    ASSERT_NE(line, std::string::npos) << run.output;
    int scene = 0;
    long long frames = 0;
    double average = 0.0, fps = 0.0, worst = 0.0, at = 0.0, within = 0.0;
    ASSERT_EQ(
        std::sscanf(run.output.c_str() + line + 1,
                    "scene %d: %lld frames, %lf ms/frame average (%lf fps), worst %lf ms at %lf s, 99 %% "
                    "within %lf ms",
                    &scene, &frames, &average, &fps, &worst, &at, &within),
        7)
        << run.output.substr(line);
    EXPECT_EQ(frames, 7); // frames 300 to 306, one scene at 10 s
    EXPECT_GE(at, 10.0);
    EXPECT_LE(at, 10.2 + 1e-9);
    EXPECT_GT(worst, 0.0);
    EXPECT_LE(within, worst);
    EXPECT_LE(average, worst);
}

// The frame-time picture of a stretch across the first scene change (scene 11 to 10 at 32 beats,
// 14.22 s): the bands change colour there, and a picture that cannot be written is refused before
// any frame is rendered.
TEST(CaptureEndToEnd, ThePlotShowsTheScenesWhereTheTimelineChangesThem) {
    TemporaryFolder folder;
    const std::string png = folder.file("frames.png");
    const ProcessResult run =
        runProcess({CAPTURE, "--fps", "30", "--from", "13.5", "--to", "15", "--report", "--plot", png});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("wrote " + png), std::string::npos) << run.output;
    std::vector<uint8_t> rgba;
    const PngInfo info = decodePng(readFile(png), rgba);
    ASSERT_EQ(info.error, 0);
    ASSERT_EQ(info.width, static_cast<uint32_t>(tools::FRAMES_WIDTH));
    tools::FrameTimeLayout layout; // positions along the picture depend only on the range drawn
    layout.left = tools::FRAMES_LEFT;
    layout.right = tools::FRAMES_WIDTH - tools::FRAMES_RIGHT;
    layout.firstAt = 13.5; // frame 405
    layout.lastAt = 15.0;  // frame 450
    const auto stripAt = [&](double seconds) {
        const size_t i = (static_cast<size_t>(tools::FRAMES_TOP - 4) * info.width + layout.xAt(seconds)) * 4;
        return tools::Colour{rgba[i], rgba[i + 1], rgba[i + 2]};
    };
    for (const auto& [seconds, scene] : {std::pair{13.6, 11}, {14.15, 11}, {14.3, 10}, {14.9, 10}}) {
        const tools::Colour expected = tools::paletteColour(scene);
        const tools::Colour found = stripAt(seconds);
        EXPECT_TRUE(found.r == expected.r && found.g == expected.g && found.b == expected.b) << seconds;
    }

    const ProcessResult withoutReport = runProcess({CAPTURE, "--plot", png});
    EXPECT_EQ(withoutReport.exitCode, 2) << withoutReport.output;
    const ProcessResult nowhere =
        runProcess({CAPTURE, "--report", "--plot", folder.file("no/such/frames.png")});
    EXPECT_EQ(nowhere.exitCode, 1) << nowhere.output;
    EXPECT_NE(nowhere.output.find("does not exist"), std::string::npos) << nowhere.output;
    EXPECT_EQ(nowhere.output.find("loading"), std::string::npos) << "it rendered first:\n" << nowhere.output;
}
