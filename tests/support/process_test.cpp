// The test harness itself: exit codes, captured output, time limits and the private X screen.
#include <gtest/gtest.h>

#include "tests/support/process.h"

using namespace tessellune::testing;
using namespace std::chrono_literals;

TEST(TestSupport, RunsAProgramAndReportsItsOutputAndExitCode) {
    ProcessOptions options;
    options.environment = {"TESSELLUNE_PROBE=seen"};
    const ProcessResult r =
        runProcess({"/bin/sh", "-c", "echo out $TESSELLUNE_PROBE; echo err >&2; exit 3"}, options);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_FALSE(r.timedOut);
    EXPECT_NE(r.output.find("out seen"), std::string::npos);
    EXPECT_NE(r.output.find("err"), std::string::npos);
}

TEST(TestSupport, StdinIsNotATerminalAndTheTimeLimitKills) {
    EXPECT_EQ(runProcess({"/bin/sh", "-c", "test -t 0"}).exitCode, 1);
    ProcessOptions options;
    options.timeout = 300ms;
    const ProcessResult r = runProcess({"/bin/sleep", "30"}, options);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.exitCode, -1);
}

TEST(TestSupport, VirtualScreenAcceptsClients) {
    if (!haveProgram("Xvfb") || !haveProgram("xdotool")) {
        GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/setup installs them)";
    }
    VirtualScreen screen;
    ASSERT_TRUE(screen.running());
    ProcessOptions options;
    options.environment = {"DISPLAY=" + screen.display()};
    const ProcessResult r = runProcess({"xdotool", "getdisplaygeometry"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("640 480"), std::string::npos) << r.output;
}
