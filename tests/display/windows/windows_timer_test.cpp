// The performance-counter clock: running time, independent delta, resolution and waits.
#include <gtest/gtest.h>

#include <limits>

#include "display/windows/windows_timer.h"

namespace Scanout {
namespace {

TEST(WindowsTimer, TimeAndDeltaAdvanceIndependently) {
    WindowsTimer timer;
    timer.delta();
    const double first = timer.time();
    timer.wait(0.020);
    EXPECT_GE(timer.time() - first, 0.019); // and asking the time must not restart the delta interval
    timer.wait(0.020);
    const double delta = timer.delta();
    EXPECT_GE(delta, 0.039);
    EXPECT_LT(delta, 0.2); // generous: a loaded machine may oversleep
    EXPECT_LT(timer.delta(), 0.010);
}

TEST(WindowsTimer, ResetStartsAgainAtZeroAndNonsenseWaitsReturnAtOnce) {
    WindowsTimer timer;
    timer.wait(0.020);
    EXPECT_GE(timer.time(), 0.019);
    timer.resetTimer();
    EXPECT_LT(timer.time(), 0.010);
    EXPECT_GT(timer.resolution(), 0.0);
    EXPECT_LT(timer.resolution(), 0.001);
    timer.delta();
    timer.wait(-5.0);
    timer.wait(std::numeric_limits<double>::quiet_NaN());
    timer.wait(0.0004); // below a millisecond truncates to no wait
    EXPECT_LT(timer.delta(), 0.5);
}

} // namespace
} // namespace Scanout
