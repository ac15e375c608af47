// The program's run: start-up in its fixed order, the frame loop on the music, and shutdown.
//
// Conventions: runDemo is the whole run on the desktop. A host whose main loop belongs to someone
// else (the browser) calls the three steps itself: startDemo once, stepDemo once per frame until it
// returns false, then finishDemo once. The DemoRun must stay in place from start to finish.
#pragma once

#include "demo/application.h"
#include "demo/demo_state.h"
#include "demo/frame_loop.h"
#include "demo/music_clock.h"
#include "demo/show_startup.h"

namespace tessellune {

struct DemoRun {
    Application* application = nullptr;
    DemoState state;
    ShowStart start; // the music, the frame timer and how start-up went
    MusicClock music;
    FrameClock clock;
    FrameLoopState loop;
    LoopEnd end = LoopEnd::Running;
    int status = 0;     // the exit status once the run has ended
    bool ended = false; // start-up failed or the frames are over; finishDemo still releases
};

// Start-up up to and including the occlusion bake. False when the run ended during start-up (its
// line printed, run.status set); finishDemo must follow either way.
bool startDemo(DemoRun& run, Application& application);

// One frame; false once the frames are over (or there were none to run).
bool stepDemo(DemoRun& run);

// Reports how the frames ended, releases everything and returns the exit status.
int finishDemo(DemoRun& run);

// Returns the process exit status: 0 on every start-up failure path and after a normal run.
int runDemo(Application& application);

} // namespace tessellune
