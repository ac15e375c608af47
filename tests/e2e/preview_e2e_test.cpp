// The preview player end to end on a private X screen: it starts at a given beat, pauses, steps,
// shows a saved edit of its timeline at once (checked against the capture tool's frame of the
// edited show), and keeps the last good picture when a saved line is broken.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "assets/file_reader.h"
#include "assets/png_decoder.h"
#include "tests/e2e/screen_checks.h"
#include "tests/support/process.h"
#include "tools/capture/capture_session.h"
#include "tools/sync/track_writer.h"

using namespace tessellune;
using namespace tessellune::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string BUILD = TESSELLUNE_BINARY_DIR;
const std::string PREVIEW = BUILD + "/tessellune-preview";
const std::string TIMELINE = std::string(TESSELLUNE_SOURCE_DIR) + "/content/timeline.txt";

// Saves the way an editor does: a new file renamed over the old one.
void save(const std::string& path, const std::string& text) {
    std::ofstream(path + ".new", std::ios::binary) << text;
    fs::rename(path + ".new", path);
}

// The mean absolute difference of the colour channels of two RGBA pictures, 0..255.
double meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) {
        return 255.0;
    }
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) {
            sum += std::abs(int(a[i + c]) - int(b[i + c]));
        }
    }
    return sum / (double(a.size()) / 4.0 * 3.0);
}

// The edited show's frame at the row, from the capture tool's session on a data folder whose
// tracks were compiled from the edited text: the independent reference for the preview's picture.
std::vector<uint8_t> captureEdited(const std::string& timelineText, const TemporaryFolder& folder,
                                   double row) {
    const fs::path data = fs::path(folder.path()) / "data";
    fs::create_directories(data);
    for (const auto& entry : fs::directory_iterator(BUILD + "/data")) {
        if (!entry.path().filename().string().ends_with(".track")) {
            fs::create_symlink(entry.path(), data / entry.path().filename());
        }
    }
    Timeline timeline;
    std::string error;
    EXPECT_TRUE(parseTimeline(timelineText, "edited", timeline, error)) << error;
    EXPECT_TRUE(writeTimelineTracks(timeline, data.string(), "sync", error)) << error;

    // At 18 frames a second, frame k is row k exactly.
    CaptureSession session;
    EXPECT_TRUE(openCapture(session, data.string() + "/", 18, error)) << error;
    captureFrame(session, static_cast<int64_t>(row));
    std::vector<uint8_t> rgba;
    for (const uint32_t pixel : session.pixels) {
        rgba.insert(rgba.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel), 255});
    }
    closeCapture(session);
    return rgba;
}

} // namespace

TEST(PreviewEndToEnd, StepsAndShowsASavedEditAtOnceAndKeepsThePictureOnABrokenLine) {
    SKIP_WITHOUT_SCREEN_TOOLS();
    TemporaryFolder folder;
    const std::string timeline = folder.path() + "/timeline.txt";
    const std::vector<uint8_t> timelineBytes = readFile(TIMELINE);
    const std::string original(timelineBytes.begin(), timelineBytes.end());
    save(timeline, original);

    VirtualScreen screen;
    ASSERT_TRUE(screen.running());
    ProcessOptions options;
    options.environment = {"DISPLAY=" + screen.display(), "SDL_AUDIODRIVER=dummy",
                           "LSAN_OPTIONS=detect_leaks=0"};
    options.workingDirectory = folder.path();
    // Beat 96 opens section 3 (the knot over the dune field, scene 6) at row 768.
    RunningProcess preview({PREVIEW, "--from", "96b", "--timeline", timeline}, options);
    ASSERT_TRUE(preview.waitForOutput("status:", 120s)) << preview.output();
    EXPECT_NE(preview.output().find("row   768.0 beat  96.00 bar 24.1 scene 6 playing"), std::string::npos)
        << preview.output();

    sendKeys(screen, "Tessellune preview", "space");
    ASSERT_TRUE(preview.waitForOutput(" paused ", 20s)) << preview.output();
    // Two beats on from wherever the pause caught it, then back one: whole beats, 8 rows each.
    for (const char* key : {"Right", "Right", "Left"}) {
        const size_t seen = preview.output().size();
        sendKeys(screen, "Tessellune preview", key);
        // Each step announces its row (a paused preview prints nothing else).
        ASSERT_TRUE(preview.waitForOutput("status:", 10s, seen)) << key << ":\n" << preview.output();
    }
    const size_t pausedAt = preview.output().rfind("status:");
    const std::string last = preview.output().substr(pausedAt, 60);
    double row = 0.0;
    ASSERT_EQ(std::sscanf(last.c_str(), "status: %*fs row %lf", &row), 1) << last;
    EXPECT_EQ(std::fmod(row, 8.0), 0.0) << last;
    EXPECT_GE(row, 776.0) << last;
    EXPECT_NE(last.find("scene 6"), std::string::npos) << last;
    const std::vector<uint8_t> before = grabScreen(screen.display(), folder.path() + "/before.png");

    // The knot's section becomes the pulsing bar (scene 5); the paused preview shows it at once.
    std::string edited = original;
    const std::string knot = "scene 96b 6 step";
    ASSERT_NE(edited.find(knot), std::string::npos);
    edited.replace(edited.find(knot), knot.size(), "scene 96b 5 step");
    save(timeline, edited);
    ASSERT_TRUE(preview.waitForOutput("reloaded " + timeline, 20s)) << preview.output();
    std::this_thread::sleep_for(1s);
    const std::vector<uint8_t> after = grabScreen(screen.display(), folder.path() + "/after.png");
    EXPECT_GT(meanDifference(before, after), 20.0) << "the picture did not change";
    EXPECT_LT(meanDifference(after, captureEdited(edited, folder, row)), 2.0)
        << "not the edited show's frame at row " << row;

    // A broken line: its number is printed and the picture stays.
    const size_t lineCount = static_cast<size_t>(std::count(edited.begin(), edited.end(), '\n'));
    save(timeline, edited + "scene 400b banana step\n");
    const std::string where = timeline + ":" + std::to_string(lineCount + 1) + ": ";
    ASSERT_TRUE(preview.waitForOutput(where, 20s)) << preview.output();
    // The pipe may hand over the message in pieces, so wait for its last line too.
    EXPECT_TRUE(preview.waitForOutput("keeping the last good tracks", 10s)) << preview.output();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(meanDifference(grabScreen(screen.display(), folder.path() + "/broken.png"), after), 1.0);

    const ProcessResult result = quitWithEscape(screen, preview, "Tessellune preview");
    EXPECT_EQ(result.exitCode, 0) << result.output;
}
