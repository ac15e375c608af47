// The steady-clock frame timer.
#include "display/steady_timer.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace Scanout {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t now() {
    return static_cast<std::int64_t>(Clock::now().time_since_epoch().count());
}

constexpr long double TICKS_PER_SECOND =
    static_cast<long double>(Clock::period::den) / static_cast<long double>(Clock::period::num);

} // namespace

SteadyTimer::SteadyTimer() {
    resetTimer();
}

void SteadyTimer::resetTimer() {
    timeReference_ = now();
    deltaReference_ = timeReference_;
    time_ = 0.0;
}

double SteadyTimer::time() {
    const std::int64_t current = now();
    time_ += static_cast<double>(static_cast<long double>(current - timeReference_) / TICKS_PER_SECOND);
    timeReference_ = current;
    return time_;
}

double SteadyTimer::delta() {
    const std::int64_t current = now();
    const double result =
        static_cast<double>(static_cast<long double>(current - deltaReference_) / TICKS_PER_SECOND);
    deltaReference_ = current;
    return result;
}

double SteadyTimer::resolution() {
    return static_cast<double>(1.0L / TICKS_PER_SECOND);
}

void SteadyTimer::wait(double seconds) {
    // Negative, NaN or absurdly long requests must not turn into undefined conversions.
    if (!(seconds > 0.0)) {
        return;
    }
    const double milliseconds = std::floor(std::fmin(seconds * 1000.0, 2147483647.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<std::int64_t>(milliseconds)));
}

} // namespace Scanout
