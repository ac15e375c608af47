// What the tests on a private X screen check: the demo's start-up lines, screen grabs, PE headers,
// keys and Escape.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/process.h"

namespace tessellune::testing {

// True when Xvfb, xdotool and ffmpeg are installed.
bool haveScreenTools();

// True in a CI run (the environment's CI set, as .ci/run sets it): there a missing tool is a
// failure, since a run that skips what it cannot do would pass without testing it.
bool ciRun();

// Ends the running test when a tool it needs is missing: a failure in CI, a skip elsewhere.
#define SKIP_OR_FAIL_WITHOUT(present, what)                                                                  \
    do {                                                                                                     \
        if (!(present)) {                                                                                    \
            if (tessellune::testing::ciRun()) {                                                              \
                GTEST_FAIL() << what << " (CI runs everything)";                                             \
            }                                                                                                \
            GTEST_SKIP() << what;                                                                            \
        }                                                                                                    \
    } while (false)
#define SKIP_WITHOUT_SCREEN_TOOLS()                                                                          \
    SKIP_OR_FAIL_WITHOUT(tessellune::testing::haveScreenTools(),                                             \
                         "Xvfb, xdotool or ffmpeg is missing (scripts/setup installs them)")

// The screen's pixels as RGBA, grabbed by ffmpeg into `png` and read back; empty on failure.
std::vector<uint8_t> grabScreen(const std::string& display, const std::string& png, int width = 640,
                                int height = 480);

// The machine field of a PE file's header (0x14c 32-bit x86, 0x8664 x86-64); -1 for no PE file.
int peMachine(const std::string& path);

// Grabs the screen until more than `minimum` of its 640 x 480 pixels are not black or the time runs
// out; the last count. The last grab is kept in `png`.
int waitForLitPixels(const std::string& display, const std::string& png, int minimum, int seconds);

// Sends keys (xdotool names, for example "Escape" or "alt+Return") to the window of that title.
// No window manager runs, so the window is given the keyboard focus first.
void sendKeys(const VirtualScreen& screen, const std::string& windowTitle, const std::string& keys);

// Presses Escape until the program ends; a key sent while the focus settles can be lost, so it is
// resent.
ProcessResult quitWithEscape(const VirtualScreen& screen, RunningProcess& program,
                             const std::string& windowTitle = "Tessellune");

// The demo's start-up lines, up to its first "fps:" line, are all in the output, in order.
void expectStartupLinesInOrder(const std::string& output);

} // namespace tessellune::testing
