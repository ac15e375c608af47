// The offline clock the capture tool renders on, shared with the hosts that must show its frames
// (the preview's seek, the browser's fixed frame).
//
// Conventions: frame k of a capture at `fps` frames a second starts at whole sample frame
// k * OUTPUT_RATE / fps (integer division), so the frames never drift from the music.
#pragma once

#include <cstdint>

#include "demo/demo_state.h"
#include "demo/music_clock.h"

namespace tessellune {

// The music byte position at which capture frame `frame` starts.
inline int64_t captureFrameBytes(int64_t frame, int fps) {
    return frame * OUTPUT_RATE / fps * BYTES_PER_SAMPLE_FRAME;
}

// The music time, in seconds, at which capture frame `frame` starts.
inline double captureFrameSeconds(int64_t frame, int fps) {
    return static_cast<double>(frame * OUTPUT_RATE / fps) / OUTPUT_RATE;
}

// Carries what passes from frame to frame (the rings' spin) through capture frames [0, frame),
// without drawing, from a fresh start: the state a capture from the beginning has at that frame.
void settleToCaptureFrame(DemoState& state, int64_t frame, int fps);

} // namespace tessellune
