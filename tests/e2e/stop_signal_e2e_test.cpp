// Ctrl+C (SIGINT) and SIGTERM end the demo, the preview and the player the way Escape or the end
// of the music does: a normal shutdown with exit status 0, not death by the signal.
#include <gtest/gtest.h>

#include <signal.h>

#include <thread>

#include "tests/e2e/screen_checks.h"
#include "tests/support/process.h"

using namespace tessellune::testing;
using namespace std::chrono_literals;

const std::string BUILD = TESSELLUNE_BINARY_DIR;

TEST(StopSignalEndToEnd, EveryProgramShutsDownNormallyOnCtrlCAndOnSigterm) {
    const std::string music = BUILD + "/data/demotune.mp3";
    // The demo and the preview share the window's handler of both signals: one signal each.
    const struct {
        const char* name;
        std::vector<std::string> argv;
        const char* ready;    // printed once the program runs its main loop
        const char* farewell; // printed by the normal shutdown; empty when it prints nothing of its own
        bool needsScreen;
        int signal;
    } cases[] = {
        {"demo", {BUILD + "/tessellune"}, "ao calc took", "", true, SIGINT},
        {"preview", {BUILD + "/tessellune-preview", "--from", "20"}, "Space pauses", "", true, SIGTERM},
        {"player", {BUILD + "/tessellune-play", music}, "\n0.00 / ", "stopped at 0.", false, SIGINT},
        {"player", {BUILD + "/tessellune-play", music}, "\n0.00 / ", "stopped at 0.", false, SIGTERM},
    };
    SKIP_WITHOUT_SCREEN_TOOLS();
    VirtualScreen screen;
    ASSERT_TRUE(screen.running());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " on " + strsignal(c.signal));
        ProcessOptions options;
        options.environment = {"SDL_AUDIODRIVER=dummy", "LSAN_OPTIONS=detect_leaks=0"};
        if (c.needsScreen) {
            options.environment.push_back("DISPLAY=" + screen.display());
        }
        RunningProcess program(c.argv, options);
        ASSERT_TRUE(program.waitForOutput(c.ready, 120s)) << program.output();
        std::this_thread::sleep_for(c.needsScreen ? 1s : 100ms); // some frames, or a little music
        ASSERT_EQ(kill(program.pid(), c.signal), 0);
        const ProcessResult result = program.wait(30s);
        EXPECT_FALSE(result.timedOut) << result.output;
        EXPECT_EQ(result.signal, 0) << result.output;
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_NE(result.output.find(c.farewell), std::string::npos) << result.output;
    }
}
