// The steady-clock timer: running time, independent delta, reset and wait.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "display/steady_timer.h"

namespace {

TEST(SteadyTimer, TimeAndDeltaAdvanceIndependently) {
    Scanout::SteadyTimer timer;
    EXPECT_GT(timer.resolution(), 0.0);
    EXPECT_LE(timer.resolution(), 1e-6);
    const double first = timer.time();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 0.5);
    timer.wait(0.010);
    const double second = timer.time();
    EXPECT_GE(second - first, 0.0095);
    EXPECT_LT(second - first, 0.5);

    // delta counts from construction here, ignoring the time calls in between.
    const double sinceConstruction = timer.delta();
    EXPECT_GE(sinceConstruction, second - first);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double afterSleep = timer.delta();
    EXPECT_GE(afterSleep, 0.0045);
    EXPECT_LT(afterSleep, sinceConstruction + 0.5);
    EXPECT_GE(timer.time(), second + 0.0045) << "time kept running while delta was asked";
}

TEST(SteadyTimer, ResetStartsTimeAgainAndOddWaitsReturnAtOnce) {
    Scanout::SteadyTimer timer;
    timer.wait(0.020);
    EXPECT_GE(timer.time(), 0.0195);
    timer.resetTimer();
    EXPECT_LT(timer.time(), 0.015);
    const auto start = std::chrono::steady_clock::now();
    timer.wait(-1.0);
    timer.wait(std::numeric_limits<double>::quiet_NaN());
    timer.wait(0.0009); // below a millisecond: truncated to no wait
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

} // namespace
