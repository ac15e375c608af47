// The frame clock on Windows: the performance counter behind TimerInterface.
//
// Conventions: seconds throughout. time is a running sum of the intervals between its calls;
// delta keeps its own reference, so the two never disturb each other. wait sleeps whole
// milliseconds (truncated); negative, NaN or zero waits return at once.
#pragma once

#include <cstdint>

#include "display/timer_interface.h"

namespace Scanout {

class WindowsTimer final : public TimerInterface {
public:
    WindowsTimer();

    void resetTimer() override;
    double time() override;
    double delta() override;
    double resolution() override;
    void wait(double seconds) override;

private:
    double time_ = 0.0;
    std::int64_t timeReference_ = 0;
    std::int64_t deltaReference_ = 0;
    std::int64_t frequency_ = 1;
};

} // namespace Scanout
