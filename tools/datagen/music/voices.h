// The instruments: each renders one note event into a stereo part buffer.
//
// Conventions: the buffer holds interleaved left/right floats starting at sample `origin` of the
// track; a voice adds into it (never overwrites) and writes nothing outside it. `cutoff` is the
// part's filter setting at the note's start in Hz (0: the instrument's own). Voices apply their
// velocity but not the part's level, which the mixer ramps over the whole part.
#pragma once

#include "tools/datagen/music/arrangement.h"

#include <cstdint>
#include <vector>

namespace tessellune {

struct VoiceTarget {
    float* samples = nullptr; // interleaved stereo
    int64_t origin = 0;       // track sample of samples[0]
    int64_t frames = 0;       // stereo frames in the buffer
};

// Longest time, in samples, that any voice rings after its gate closes.
inline constexpr int64_t MAX_VOICE_TAIL = SAMPLE_RATE * 3;

void renderDrum(Instrument instrument, const NoteEvent& event, uint32_t seed, VoiceTarget target);
void renderTonal(Instrument instrument, const NoteEvent& event, float cutoff, uint32_t seed,
                 VoiceTarget target);

// Noise swept through a band-pass filter: cutoffFrom -> cutoffTo over the event's length.
void renderRiser(const NoteEvent& event, float cutoffFrom, float cutoffTo, uint32_t seed, VoiceTarget target);

} // namespace tessellune
