// scanout-example end to end on a private X screen, driven by real X key and pointer events: the
// Linux program and, when a Windows cross build is given, its .exe under Wine of the bits it was
// built for. The codes are the key table's: 'A' 65, '=' 61, '-' 108, Enter 10.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "tests/e2e/screen_checks.h"
#include "tests/e2e/window_close.h"
#include "tests/support/process.h"

using namespace tessellune::testing;
using namespace std::chrono_literals;

namespace {

const std::string TITLE = "Scanout example";
const std::string WINDOWS_BUILD = TESSELLUNE_WINDOWS_BUILD;

// Checks that every line is one of the nine callback lines, and returns the keys, the pointer and
// the close in order (activation comes and goes with the desktop).
std::vector<std::string> checkedEvents(const std::string& output) {
    static const std::string number = "-?[0-9.]+(e[-+][0-9]+)?"; // as printf's %g writes them
    static const std::regex callback("key(down|pressed|up) -?[0-9]+|mouse(down|up|move) " + number + " " +
                                     number + "|activate [01]|open|close");
    std::istringstream in(output);
    std::vector<std::string> events;
    for (std::string line; std::getline(in, line);) {
        std::erase(line, '\r');
        EXPECT_TRUE(std::regex_match(line, callback)) << "not a callback line: " << line;
        if (line.starts_with("key") || line.starts_with("mouse") || line == "close") {
            events.push_back(line);
        }
    }
    return events;
}

// The Linux program, or the Windows one under Wine of the bits it was built for.
class ScanoutExample : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        SKIP_WITHOUT_SCREEN_TOOLS();
        ASSERT_TRUE(screen_.running());
        // For the program and xdotool; X and driver libraries keep allocations until exit.
        options_.environment = {"DISPLAY=" + screen_.display(), "LSAN_OPTIONS=detect_leaks=0"};
        options_.timeout = 120s;
        if (GetParam() == "linux") {
            argv_ = {TESSELLUNE_BINARY_DIR "/scanout-example"};
            return;
        }
        SKIP_OR_FAIL_WITHOUT(!WINDOWS_BUILD.empty(),
                             "no Windows cross build given (-DTESSELLUNE_WINDOWS_BUILD)");
        const std::string exe = WINDOWS_BUILD + "/scanout-example.exe";
        const int machine = peMachine(exe);
        ASSERT_TRUE(machine == 0x14c || machine == 0x8664) << exe << " is missing or no Windows program";
        argv_ = {TESSELLUNE_SOURCE_DIR "/cmake/wine-run", machine == 0x14c ? "32" : "64", exe};
    }

    VirtualScreen screen_{"640x480x24"};
    std::vector<std::string> argv_;
    ProcessOptions options_;
};

// Escape's own code and its close are the demo's end-to-end tests' (the same hosts).
TEST_P(ScanoutExample, PrintsKeyCodesAndPointerEventsAndEndsOnTheWindowsCloseRequest) {
    RunningProcess example(argv_, options_);
    ASSERT_TRUE(example.started());
    ASSERT_TRUE(example.waitForOutput("open", 90s)) << example.output();
    // Keys typed before the window has the focus would be lost: focus it and wait until it says so.
    runProcess({"xdotool", "search", "--sync", "--name", "^" + TITLE + "$", "windowfocus", "--sync"},
               options_);
    ASSERT_TRUE(example.waitForOutput("activate 1", 20s)) << example.output();

    runProcess({"xdotool", "key", "--delay", "50", "a", "equal", "minus", "Return"}, options_);
    // The window shows the 320 x 240 framebuffer at its own size: window pixels are framebuffer pixels.
    runProcess({"xdotool", "search", "--sync", "--name", "^" + TITLE + "$", "mousemove", "--window", "%1",
                "100", "50", "sleep", "0.3", "click", "1"},
               options_);
    ASSERT_TRUE(example.waitForOutput("mouseup", 20s)) << example.output();
    ASSERT_TRUE(requestWindowClose(screen_.display(), TITLE));
    const ProcessResult result = example.wait(30s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.output;

    EXPECT_TRUE(result.output.starts_with("open")) << result.output;
    // The pointer position is checked once; the moves around it depend on the desktop.
    std::vector<std::string> seen = checkedEvents(result.output);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "mousemove 100 50"), seen.end()) << result.output;
    std::erase_if(seen, [](const std::string& line) { return line.starts_with("mousemove"); });
    std::vector<std::string> expected;
    for (const int key : {65, 61, 108, 10}) {
        for (const char* callback : {"keydown ", "keypressed ", "keyup "}) {
            expected.push_back(callback + std::to_string(key));
        }
    }
    expected.insert(expected.end(), {"mousedown 100 50", "mouseup 100 50", "close"});
    EXPECT_EQ(seen, expected) << result.output;
}

INSTANTIATE_TEST_SUITE_P(Platforms, ScanoutExample, ::testing::Values("linux", "windows"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace
