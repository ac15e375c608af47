// The frame clock on the standard library's steady clock.
//
// Conventions: seconds as doubles. time is a running sum of the intervals between its calls (each
// interval measured in clock ticks and added on), delta measures from its own previous call; the
// two never affect each other. wait sleeps whole milliseconds.
#pragma once

#include <cstdint>

#include "display/timer_interface.h"

namespace Scanout {

class SteadyTimer final : public TimerInterface {
public:
    SteadyTimer();
    void resetTimer() override;
    double time() override;
    double delta() override;
    double resolution() override;
    void wait(double seconds) override;

private:
    double time_ = 0.0;
    std::int64_t timeReference_ = 0;
    std::int64_t deltaReference_ = 0;
};

} // namespace Scanout
