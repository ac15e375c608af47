// The performance-counter frame clock.
#include "display/windows/windows_timer.h"

#include <windows.h>

#include <cmath>

namespace Scanout {
namespace {

std::int64_t counterNow() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return static_cast<std::int64_t>(value.QuadPart);
}

// Sleep takes a DWORD in which all ones means "forever"; keep every request below that.
constexpr double LONGEST_WAIT_MS = 4294967294.0;

} // namespace

WindowsTimer::WindowsTimer() {
    LARGE_INTEGER frequency;
    // A zero frequency would make every interval infinite; one tick a second is a harmless stand-in.
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
        frequency_ = static_cast<std::int64_t>(frequency.QuadPart);
    }
    resetTimer();
}

void WindowsTimer::resetTimer() {
    timeReference_ = counterNow();
    deltaReference_ = timeReference_;
    time_ = 0.0;
}

double WindowsTimer::time() {
    const std::int64_t now = counterNow();
    time_ += static_cast<double>(static_cast<long double>(now - timeReference_) /
                                 static_cast<long double>(frequency_));
    timeReference_ = now;
    return time_;
}

double WindowsTimer::delta() {
    const std::int64_t now = counterNow();
    const double result = static_cast<double>(static_cast<long double>(now - deltaReference_) /
                                              static_cast<long double>(frequency_));
    deltaReference_ = now;
    return result;
}

double WindowsTimer::resolution() {
    return 1.0 / static_cast<double>(frequency_);
}

void WindowsTimer::wait(double seconds) {
    if (!(seconds > 0.0)) {
        return;
    }
    const double milliseconds = std::floor(std::fmin(seconds * 1000.0, LONGEST_WAIT_MS));
    Sleep(static_cast<DWORD>(milliseconds));
}

} // namespace Scanout
