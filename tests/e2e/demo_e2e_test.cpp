// The real program end to end: under a private X screen with the dummy sound driver, started from
// another folder, with its start-up lines, frames on screen, Escape, and every start-up failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/e2e/screen_checks.h"
#include "tests/support/process.h"

using namespace tessellune;
using namespace tessellune::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string BUILD = TESSELLUNE_BINARY_DIR;
const std::string DEMO = BUILD + "/tessellune";
const std::string DATA = BUILD + "/data";
// SDL unloads the X and desktop-bus client libraries it opened when the program quits it, and
// what they keep for the process's life then shows up as unattributable leaks. The program's own
// allocations are leak-checked by the unit tests, which run the same code on the headless display.
const std::string LEAK_SUPPRESSIONS = "LSAN_OPTIONS=detect_leaks=0";

// A copy of the program beside a data folder that lacks the named files (the program finds its
// data next to its own executable).
std::string installWithout(const TemporaryFolder& folder, const std::vector<std::string>& missing) {
    const fs::path root = folder.path();
    fs::create_directories(root / "data");
    for (const auto& entry : fs::directory_iterator(DATA)) {
        if (std::ranges::find(missing, entry.path().filename().string()) == missing.end()) {
            fs::create_symlink(entry.path(), root / "data" / entry.path().filename());
        }
    }
    fs::copy_file(DEMO, root / "tessellune");
    fs::permissions(root / "tessellune", fs::perms::owner_all);
    return (root / "tessellune").string();
}

// The processors a thread may use, as the kernel lists them in its status ("0", "0-3,6").
std::string allowedProcessors(const fs::path& task) {
    std::ifstream status(task / "status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Cpus_allowed_list:")) {
            return line.substr(line.find_first_not_of(" \t", line.find(':') + 1));
        }
    }
    return "";
}

} // namespace

// One run of the real program: its start-up lines, the intro on screen, only the main thread
// pinned (its workers keep every processor it inherited), and Escape.
TEST(DemoEndToEnd, StartsFromAnotherFolderShowsFramesPinsOnlyTheMainThreadAndQuitsOnEscape) {
    SKIP_WITHOUT_SCREEN_TOOLS();
    const std::string everyProcessor = allowedProcessors("/proc/thread-self"); // what the demo inherits
    VirtualScreen screen;
    ASSERT_TRUE(screen.running());
    TemporaryFolder elsewhere;
    ProcessOptions options;
    options.environment = {"DISPLAY=" + screen.display(), "SDL_AUDIODRIVER=dummy", LEAK_SUPPRESSIONS};
    options.workingDirectory = elsewhere.path();
    RunningProcess demo({DEMO}, options);
    ASSERT_TRUE(demo.started());
    ASSERT_TRUE(demo.waitForOutput("fps:", 120s)) << demo.output();
    expectStartupLinesInOrder(demo.output());

    const fs::path tasks = "/proc/" + std::to_string(demo.pid()) + "/task";
    EXPECT_EQ(allowedProcessors(tasks / std::to_string(demo.pid())), "0");
    uint32_t workers = 0;
    for (const auto& task : fs::directory_iterator(tasks)) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        if (name == "band worker") {
            ++workers;
            EXPECT_EQ(allowedProcessors(task.path()), everyProcessor) << task.path();
        }
    }
    EXPECT_EQ(workers, std::thread::hardware_concurrency());

    // Within seconds of music the intro is on screen.
    const int enough = 640 * 480 / 100;
    EXPECT_GT(waitForLitPixels(screen.display(), elsewhere.path() + "/shot.png", enough, 6), enough);

    const ProcessResult result = quitWithEscape(screen, demo);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

// One row per start-up failure, from a copy of the program elsewhere: its line, and its exit
// status. stdin is not a terminal, so nothing waits for a key.
TEST(DemoEndToEnd, StartUpFailuresSayWhatFailedAndEndAtOnce) {
    const struct {
        const char* what;
        std::vector<std::string> missing;
        std::string audioDriver;
        int exitCode;
        const char* line;
    } cases[] = {
        {"no audio device", {}, "no-such-driver", 0, "audio init error\n"},
        {"no soundtrack", {"demotune.mp3"}, "dummy", 0, "error (4) while creating stream\n"},
        {"no texture", {"envtest256.png"}, "dummy", 1, "error(48) decoding png from [envtest256.png]\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryFolder folder;
        const std::string demo = installWithout(folder, c.missing);
        ProcessOptions options;
        options.unset = {"AUDIODEV", "PULSE_SERVER", "DISPLAY"};
        options.environment = {"SDL_AUDIODRIVER=" + c.audioDriver};
        options.workingDirectory = folder.path();
        const ProcessResult r = runProcess({demo}, options);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        EXPECT_NE(r.output.find(c.line), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("ao calc took"), std::string::npos); // ended before the meshes
    }
}

// At a terminal the same failure waits for one key, as a console program's getch does: one byte
// without Enter ends it.
TEST(DemoEndToEnd, AtATerminalAMissingTextureWaitsForOneKeyWithoutEnter) {
    TemporaryFolder folder;
    ProcessOptions options;
    options.terminal = true;
    options.unset = {"AUDIODEV", "PULSE_SERVER", "DISPLAY"};
    options.environment = {"SDL_AUDIODRIVER=dummy", LEAK_SUPPRESSIONS};
    RunningProcess demo({installWithout(folder, {"envtest256.png"})}, options);
    ASSERT_TRUE(demo.waitForOutput("error(48) decoding png from [envtest256.png]", 30s)) << demo.output();
    EXPECT_FALSE(demo.waitForExit(500ms)) << "it waits for a key";
    ASSERT_TRUE(demo.type("k"));
    const ProcessResult result = demo.wait(10s);
    EXPECT_FALSE(result.timedOut) << "one key without Enter did not end it";
    EXPECT_EQ(result.exitCode, 1) << result.output;
}
