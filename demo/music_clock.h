// The real-time frame clock: the frame timer for time and delta, the playing music for the row.
//
// Conventions: the record must outlive every use of the FrameClock made from it; the clock's
// afterPresent feeds the audio library once per frame.
#pragma once

#include "audio/audio.h"
#include "demo/frame_loop.h"
#include "display/timer_interface.h"

namespace tessellune {

struct MusicClock {
    Scanout::TimerInterface* timer = nullptr;
    AudioStream stream = 0;
};

FrameClock makeFrameClock(MusicClock& clock);

} // namespace tessellune
