// The score laid out in time: every note as a sample position, every part as a span with ramps.
//
// Conventions: positions are sample indices from the start of the track at SAMPLE_RATE. Beats and
// even sixteenths fall on the exact grid; odd sixteenths are late by the score's swing.
#pragma once

#include "tools/datagen/music/score.h"

#include <cstdint>
#include <vector>

namespace tessellune {

inline constexpr int SAMPLE_RATE = 44100;
inline constexpr int MAX_EVENT_PITCHES = 8;

struct NoteEvent {
    int64_t start = 0;  // first sample
    int64_t length = 0; // samples the note is held (the gate); releases and decays ring on after it
    int pitches[MAX_EVENT_PITCHES] = {};
    int pitchCount = 0;
    float velocity = 0.8f;
    int stepInBar = 0; // 0..15, lets voices vary with the position in the bar
};

// One part placed in time with its notes.
struct PartSpan {
    Instrument instrument = Instrument::Kick;
    int64_t start = 0; // first sample of the part's first bar
    int64_t end = 0;   // first sample after its last bar
    Ramp level;
    Ramp cutoff;
    std::vector<NoteEvent> events;
};

struct Arrangement {
    double samplesPerStep = 0.0;
    int64_t totalSamples = 0;
    std::vector<PartSpan> parts;
};

// Sample position of a sixteenth step counted from the start of the track, swing included.
int64_t stepPosition(const Score& score, int64_t step);

// Lays the whole score out in time.
Arrangement arrangeScore(const Score& score);

// The pitches a chord-based step asks for on an instrument (bass low, arp middle, pad voiced).
// Returns how many pitches were written to out (at most MAX_EVENT_PITCHES).
int stepPitches(const Step& step, const Chord& chord, Instrument instrument, int out[MAX_EVENT_PITCHES]);

} // namespace tessellune
