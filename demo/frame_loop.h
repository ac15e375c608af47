// The frame loop on an injected clock: the program gives it the music and the steady timer, tests
// give it a virtual clock, so the loop never reaches for the audio library or the timer itself.
#pragma once

#include "demo/application.h"
#include "demo/demo_state.h"

namespace tessellune {

struct FrameClock {
    void* context = nullptr;
    double (*time)(void* context) = nullptr;         // seconds since the timer started (running sum)
    double (*delta)(void* context) = nullptr;        // seconds since the previous delta
    double (*musicSeconds)(void* context) = nullptr; // the play position of the music
    void (*afterPresent)(void* context) = nullptr;   // keeps the audio fed; may be null
};

enum class LoopEnd { Running, DisplayClosed, LockFailed, NotTrueColor, UnexpectedStride };

// What the loop carries from one frame to the next: the smoothed frame time and the last report.
struct FrameLoopState {
    double smoothedFrameTime = 0.0;
    double lastReport = 0.0;
};

// One frame of the loop: Running while the display stays open, else why the loop ends. The
// desktop loop calls it until it ends; the browser calls it once per animation frame, because a
// page must return to its event loop to show a frame and hear its sound.
LoopEnd runOneFrame(DemoState& state, Application& application, const FrameClock& clock,
                    FrameLoopState& loop);

// Runs frames until the display closes or its lock yields nothing; prints the statistics and the
// frame rate every 5 seconds of timer time.
LoopEnd runFrameLoop(DemoState& state, Application& application, const FrameClock& clock);

} // namespace tessellune
