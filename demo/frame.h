// One frame of the demo as a function of (row, time, delta, camera input), shared by the program
// and the capture tool so that what is captured is exactly what the demo shows.
#pragma once

#include <cstdint>

#include "demo/demo_state.h"
#include "display/display.h"
#include "render/resolve.h"

namespace tessellune {

struct FrameResult {
    double row = 0.0;  // the row after the scenes (lowered by scenes 4 and 6)
    float fade = 0.0f; // "fs" at that row: 1 is full brightness
};

// The music position in seconds as a sync row.
inline double syncRow(double musicSeconds) {
    return musicSeconds * ROWS_PER_SECOND;
}

// The start of a frame, before the display's events are handled: the "gtn" value from its track.
void beginFrame(DemoState& state, double row);

// The frame's view: the free camera when it is on, else the key-frame tables blended by the tracks.
Matrix4 frameView(const DemoState& state, double row, const CameraInput& input);

// Renders every scene the row selects into the main colour buffer and reads the fade.
FrameResult renderFrame(DemoState& state, double row, double now, double delta, const CameraInput& input);

// Advances what carries from frame to frame (the rings' spin) exactly as renderFrame would at this
// row, without drawing: lets a capture start mid-demo and still match a continuous run.
void skipFrame(DemoState& state, double row, double delta);

// Converts the main colour buffer into display pixels: plain above 0.999, else faded. The workers
// share the rows; the conversion is a tenth of a busy frame, too much to leave serial.
void presentFrame(WorkerPool& pool, const FloatImage& colour, float fade, ResolveTarget& target);

// One whole frame shown outside the real-time loop (the capture tool, the web page's fixed frame):
// beginFrame, lock, renderFrame, presentFrame, unlock. False, with nothing drawn, when the display
// gives no framebuffer.
bool drawFrameOnDisplay(DemoState& state, Scanout::Display& display, double row, double now, double delta,
                        const CameraInput& input);

} // namespace tessellune
