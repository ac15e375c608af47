// The Windows program end to end under Wine, from its release folder copied elsewhere, on a private
// 640 x 480 X screen with the silent audio output: its start-up lines, frames presented through
// Direct3D 9, Alt+Enter between full screen and a window, and Escape. Also the start-up failures a
// Windows user can meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "tests/e2e/screen_checks.h"
#include "tests/support/process.h"

using namespace tessellune::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string WINDOWS_RELEASE = TESSELLUNE_WINDOWS_RELEASE;
const std::string WINE_RUN = TESSELLUNE_SOURCE_DIR "/cmake/wine-run";
const std::string WINE_BITS = TESSELLUNE_WINE_BITS;

// Windows console output ends its lines with CR LF; the checks compare plain lines.
std::string withoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

ProcessOptions underWine(const std::string& display, const std::string& cwd) {
    ProcessOptions options;
    options.environment = {"TESSELLUNE_AUDIO_OUTPUT=silent"};
    if (!display.empty()) {
        options.environment.push_back("DISPLAY=" + display);
    } else {
        options.unset = {"DISPLAY"};
    }
    options.workingDirectory = cwd;
    options.timeout = 120s;
    return options;
}

// The release folder copied to a folder of its own, without the named data files; returns the
// program's path there.
std::string installWithout(const TemporaryFolder& folder, const std::vector<std::string>& missing) {
    const fs::path root = folder.path();
    fs::copy(WINDOWS_RELEASE, root, fs::copy_options::recursive);
    for (const auto& name : missing) {
        fs::remove(root / "data" / name);
    }
    return (root / "tessellune.exe").string();
}

} // namespace

TEST(WindowsDemoUnderWine, PresentsFramesTogglesFullScreenAndQuitsOnEscape) {
    SKIP_WITHOUT_SCREEN_TOOLS();
    VirtualScreen screen("640x480x24");
    ASSERT_TRUE(screen.running());
    TemporaryFolder elsewhere;
    const std::string program = installWithout(elsewhere, {});
    EXPECT_EQ(peMachine(program), WINE_BITS == "32" ? 0x14c : 0x8664);
    RunningProcess demo({WINE_RUN, WINE_BITS, program}, underWine(screen.display(), elsewhere.path()));
    ASSERT_TRUE(demo.started());
    // Unbuffered Windows console output arrives in pieces: wait for the whole "fps: " prefix.
    ASSERT_TRUE(demo.waitForOutput("fps: ", 180s)) << demo.output();
    expectStartupLinesInOrder(withoutCarriageReturns(demo.output()));

    // Full screen at start: Direct3D presents the intro over the whole screen. A shape switch
    // blanks the screen for a moment, so each shape is given a few seconds to show a lit frame.
    const int enough = 640 * 480 / 100;
    EXPECT_GT(waitForLitPixels(screen.display(), elsewhere.path() + "/fullscreen.png", enough, 8), enough);

    // Alt+Enter to a window and back: the display stays open and keeps presenting.
    for (const char* shape : {"windowed", "fullscreen-again"}) {
        SCOPED_TRACE(shape);
        sendKeys(screen, "Tessellune", "alt+Return");
        std::this_thread::sleep_for(1s);
        ASSERT_FALSE(demo.waitForExit(0ms)) << withoutCarriageReturns(demo.output());
        const std::string png = elsewhere.path() + "/" + shape + ".png";
        EXPECT_GT(waitForLitPixels(screen.display(), png, enough, 8), enough);
    }

    const ProcessResult result = quitWithEscape(screen, demo);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << withoutCarriageReturns(result.output);
}

// One row per start-up failure a Windows user can meet, without a screen, from a copy of the release
// folder: its line, its exit status, and whether the run goes on through the meshes. stdin is not a
// console, so no failure waits for a key.
TEST(WindowsDemoUnderWine, StartUpFailuresSayWhatFailed) {
    const struct {
        std::vector<std::string> missing;
        bool soundDevices; // false: no silent output, and Wine's sound drivers switched off
        int exitCode;
        const char* line;
        bool goesOn;
    } cases[] = {
        {{"demotune.mp3"}, true, 0, "error (4) while creating stream\n", false}, // the library's number
        {{"envtest256.png"}, true, 1, "error(48) decoding png from [envtest256.png]\n", false},
        {{}, false, 0, "audio init error\n", false},
        // Without an X display Direct3D has nothing to present with; the run goes on through the
        // meshes and the bake, as its order says, and ends normally.
        {{}, true, 0, "the display could not be opened\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TemporaryFolder folder;
        const std::string demo = installWithout(folder, c.missing);
        ProcessOptions options = underWine("", folder.path());
        if (!c.soundDevices) {
            options.environment = {
                "WINEDLLOVERRIDES=mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv=d"};
            options.unset = {"DISPLAY", "TESSELLUNE_AUDIO_OUTPUT"};
        }
        const ProcessResult r = runProcess({WINE_RUN, WINE_BITS, demo}, options);
        const std::string out = withoutCarriageReturns(r.output);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.exitCode) << out;
        const size_t said = out.find(c.line);
        ASSERT_NE(said, std::string::npos) << out;
        if (c.goesOn) {
            EXPECT_LT(said, out.find("---- loading [dunequad.obj]:")) << out;
            EXPECT_NE(out.find("ao calc took"), std::string::npos) << out;
        } else {
            EXPECT_EQ(out.find("ao calc took"), std::string::npos) << "it went on to the meshes:\n" << out;
        }
    }
}
