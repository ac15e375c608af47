// The capture clock's settling: the frames before a seek advanced as a capture would advance them.
#include "demo/capture_clock.h"

#include "demo/frame.h"

namespace tessellune {

void settleToCaptureFrame(DemoState& state, int64_t frame, int fps) {
    state.spinPhase = 0.0;
    const double delta = 1.0 / fps;
    for (int64_t k = 0; k < frame; ++k) {
        skipFrame(state, syncRow(captureFrameSeconds(k, fps)), delta);
    }
}

} // namespace tessellune
