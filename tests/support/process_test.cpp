// The test harness itself where no other test would notice it failing: the time limit, and stdin
// that is no terminal. Output, exit codes and the environment are checked by every program test
// (the player's usage line and status, the demo's start-up failures on a missing sound driver).
#include <gtest/gtest.h>

#include "tests/support/process.h"

using namespace tessellune::testing;
using namespace std::chrono_literals;

TEST(TestSupport, StdinIsNotATerminalAndTheTimeLimitKills) {
    EXPECT_EQ(runProcess({"/bin/sh", "-c", "test -t 0"}).exitCode, 1);
    ProcessOptions options;
    options.timeout = 300ms;
    const ProcessResult r = runProcess({"/bin/sleep", "30"}, options);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.exitCode, -1);
}
