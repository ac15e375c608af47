// Renders the demo offline: the real data set, the offline music clock, the headless display, and
// the same frame function as the program, so a captured frame is exactly what the demo shows.
//
// Conventions: frame k is at time k / fps seconds of music; pixels are 640 x 480 display words
// (0xAARRGGBB, alpha ignored), rows from the top.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "demo/application.h"
#include "demo/demo_state.h"
#include "demo/show_startup.h"
#include "display/memory/memory_display.h"

namespace tessellune {

struct CaptureSession {
    DemoState state;
    std::unique_ptr<Application> application;
    Scanout::MemoryDisplay* display = nullptr; // owned by the application's facade
    ShowStart start;                           // the music on the offline clock, and how start-up went
    int fps = 30;
    int64_t nextFrame = 0;        // the frame the music clock stands at
    std::vector<uint32_t> pixels; // the last presented frame
};

// Loads everything the demo loads (printing the same lines) and starts the offline music clock.
// False with a message when the music or the display cannot be set up. `workers` band workers
// render (0: one per processor); the frames are the same for every count.
bool openCapture(CaptureSession& session, const std::string& dataDir, int fps, std::string& error,
                 uint32_t workers = 0);

// The music's length in seconds (0 when unknown).
double captureLength(const CaptureSession& session);

// How many frames the whole music takes at the session's rate.
int64_t captureFrameCount(const CaptureSession& session);

struct CapturedFrame {
    double row = 0.0;          // the frame's sync row (before any lowering)
    int scene = 0;             // the scene the timeline selects there
    double milliseconds = 0.0; // time spent rendering and resolving it
};

// Renders frame `frame` (>= the next frame; the frames in between advance without drawing) into
// session.pixels.
CapturedFrame captureFrame(CaptureSession& session, int64_t frame);

// Releases the demo state and the music.
void closeCapture(CaptureSession& session);

} // namespace tessellune
