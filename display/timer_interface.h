// The frame clock interface: a running time, a per-call delta and a millisecond wait.
//
// Conventions: all values are seconds. time is the running sum of the intervals between its calls
// since construction or resetTimer; delta measures from its own previous call independently.
#pragma once

namespace Scanout {

class TimerInterface {
public:
    virtual ~TimerInterface() = default;
    virtual void resetTimer() = 0;
    virtual double time() = 0;
    virtual double delta() = 0;
    virtual double resolution() = 0;
    // Blocks for the given time, truncated to whole milliseconds; negative or NaN waits nothing.
    virtual void wait(double seconds) = 0;
};

} // namespace Scanout
