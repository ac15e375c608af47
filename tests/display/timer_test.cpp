// The frame clocks' shared contract: running time, an independent delta, reset, and waits that
// truncate to whole milliseconds. The steady clock everywhere, the performance counter on Windows.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>

#include "display/steady_timer.h"
#ifdef _WIN32
#include "display/windows/windows_timer.h"
#endif

namespace {

template <typename Timer>
class FrameClock : public ::testing::Test {};

#ifdef _WIN32
using Clocks = ::testing::Types<Scanout::SteadyTimer, Scanout::WindowsTimer>;
#else
using Clocks = ::testing::Types<Scanout::SteadyTimer>;
#endif
TYPED_TEST_SUITE(FrameClock, Clocks);

TYPED_TEST(FrameClock, TimeAndDeltaAdvanceIndependentlyResetStartsAgainAndOddWaitsReturnAtOnce) {
    TypeParam timer;
    EXPECT_GT(timer.resolution(), 0.0);
    EXPECT_LT(timer.resolution(), 0.001);
    const double first = timer.time();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 0.5);
    timer.wait(0.020);
    const double second = timer.time();
    EXPECT_GE(second - first, 0.019);
    // delta counts from construction here, ignoring the time calls in between.
    const double sinceConstruction = timer.delta();
    EXPECT_GE(sinceConstruction, second - first);
    EXPECT_LT(sinceConstruction, 0.5); // generous: a loaded machine may oversleep
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(timer.delta(), 0.0045);
    EXPECT_LT(timer.delta(), 0.010) << "a second delta counts from the first";
    EXPECT_GE(timer.time(), second + 0.0045) << "time kept running while delta was asked";

    timer.resetTimer(); // after more than 24 ms
    EXPECT_LT(timer.time(), 0.015);
    const auto start = std::chrono::steady_clock::now();
    timer.wait(-1.0);
    timer.wait(std::numeric_limits<double>::quiet_NaN());
    timer.wait(0.0009); // below a millisecond: truncated to no wait
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

} // namespace
