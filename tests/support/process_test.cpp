// The test harness itself: exit codes, captured output and time limits (the private X screen is
// used, and so checked, by every test on one).
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
