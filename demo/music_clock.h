// The real-time frame clock: the frame timer for time and delta, the playing music for the row.
//
// Conventions: the record must outlive every use of the FrameClock made from it; the clock's
// afterPresent feeds the audio library once per frame.
#pragma once

#include <cstdint>

#include "audio/audio.h"
#include "demo/frame_loop.h"
#include "display/timer_interface.h"

namespace tessellune {

// The music's output rate: every clock of the show, real-time or offline, counts samples of it.
inline constexpr uint32_t OUTPUT_RATE = 44100;
// The decoded music's bytes per sample frame (16-bit stereo); stream positions are in bytes.
inline constexpr int64_t BYTES_PER_SAMPLE_FRAME = 4;

struct MusicClock {
    Scanout::TimerInterface* timer = nullptr;
    AudioStream stream = 0;
};

FrameClock makeFrameClock(MusicClock& clock);

} // namespace tessellune
