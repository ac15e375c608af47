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

enum class LoopEnd { DisplayClosed, LockFailed, NotTrueColor, UnexpectedStride };

// Runs frames until the display closes or its lock yields nothing; prints the statistics and the
// frame rate every 5 seconds of timer time.
LoopEnd runFrameLoop(DemoState& state, Application& application, const FrameClock& clock);

} // namespace tessellune
