// The capture tool: reproducible frames, the same frame whichever way it is reached, and the same
// pixels the demo's own frame function gives for that row and time.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "assets/file_reader.h"
#include "demo/demo_setup.h"
#include "demo/frame.h"
#include "math/mersenne.h"
#include "tests/support/process.h"
#include "tools/capture/capture_session.h"

using namespace tessellune;
using namespace tessellune::testing;
namespace fs = std::filesystem;

namespace {

const std::string BUILD = TESSELLUNE_BINARY_DIR;
const std::string CAPTURE = BUILD + "/tessellune-capture";

std::vector<uint8_t> captureAt(const TemporaryFolder& folder, const std::string& seconds,
                               const std::string& name) {
    const std::string out = folder.path() + "/" + name;
    const ProcessResult r = runProcess({CAPTURE, "--at", seconds, "--out", out});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return readFile(out);
}

} // namespace

TEST(CaptureEndToEnd, TheSameMomentGivesTheSamePixelsOnEveryRun) {
    TemporaryFolder folder;
    for (const char* seconds : {"6.5", "101.25"}) { // the particle rings, then the object over the dunes
        const std::vector<uint8_t> first = captureAt(folder, seconds, "a.png");
        const std::vector<uint8_t> second = captureAt(folder, seconds, "b.png");
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(first, second) << "at " << seconds << " s";
    }
}

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
    EXPECT_EQ(readFile(frames + "/frame_000303.png"), captureAt(folder, "10.1", "alone.png"));
}

TEST(CaptureEndToEnd, ACapturedFrameIsWhatTheDemosFrameFunctionRendersForThatRowAndTime) {
    const std::string data = BUILD + "/data/";
    const int fps = 30;
    const int64_t frame = 140; // 4.67 s: the rings turning in the first scene

    CaptureSession session;
    std::string error;
    ASSERT_TRUE(openCapture(session, data, fps, error)) << error;
    const CapturedFrame info = captureFrame(session, frame);
    EXPECT_DOUBLE_EQ(info.row, static_cast<double>(frame) / fps * 18.0);
    const std::vector<uint32_t> captured = session.pixels;
    closeCapture(session);

    // The demo's own path, with no music library and no display: rows from the frame times.
    DemoState state;
    { MersenneRandom seed(STARTUP_SEED); }
    ASSERT_TRUE(createWorkersAndBuffers(state) && createRenderer(state));
    loadPictures(state, data);
    buildParticles(state);
    ASSERT_TRUE(openTracks(state, data));
    loadMeshes(state, data);
    ASSERT_TRUE(prepareAndBakeOcclusion(state));
    const double delta = 1.0 / fps;
    for (int64_t k = 0; k < frame; ++k) {
        skipFrame(state, syncRow(static_cast<double>(k) / fps), delta);
    }
    const double row = syncRow(static_cast<double>(frame) / fps);
    beginFrame(state, row);
    const FrameResult result =
        renderFrame(state, row, static_cast<double>(frame) * delta, delta, CameraInput{});
    std::vector<uint32_t> pixels(FRAME_WIDTH * FRAME_HEIGHT);
    ResolveTarget target{pixels.data(), FRAME_WIDTH, FRAME_HEIGHT};
    presentFrame(state.colour, result.fade, target);
    releaseDemo(state);

    ASSERT_EQ(captured.size(), pixels.size());
    EXPECT_EQ(std::memcmp(captured.data(), pixels.data(), pixels.size() * 4), 0);
    size_t lit = 0;
    for (uint32_t p : pixels) {
        lit += (p & 0xffffff) != 0 ? 1 : 0;
    }
    EXPECT_GT(lit, pixels.size() / 50); // a real picture, not two black frames
}
