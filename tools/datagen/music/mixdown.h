// Renders an arranged score into stereo samples: voices, part automation, ducking, effects, and
// the final normalisation to 16-bit PCM.
//
// Conventions: interleaved stereo (left, right) at SAMPLE_RATE; float mixes are nominally -1..1;
// a window is given in track samples (frames), so an excerpt lines up with the full track.
#pragma once

#include "tools/datagen/music/arrangement.h"

#include <cstdint>
#include <vector>

namespace tessellune {

struct MixRequest {
    int64_t firstFrame = 0;
    int64_t frameCount = -1;            // -1: up to the end of the track
    uint32_t instruments = 0xFFFFFFFFu; // bit i set: Instrument(i) plays
    void (*progress)(double fraction, void* user) = nullptr;
    void* user = nullptr;
};

// Renders the requested window of the score into `mix` (2 floats per frame).
void mixScore(const Score& score, const MixRequest& request, std::vector<float>& mix);

// The largest absolute sample value.
float peakOf(const std::vector<float>& mix);

// Master glue: scales the mix to a peak of 1 and rounds its peaks off with tanh(drive * x), so the
// rare transient that sets the peak no longer holds the whole track down. drive 0 leaves it as is.
void saturate(std::vector<float>& mix, float drive);

// How hard the master is driven into the saturation: about 3 dB more body for the same peak.
inline constexpr float MASTER_DRIVE = 1.3f;

// Scales the mix so its peak sits at targetDbfs and rounds it to 16-bit PCM. Returns the gain.
float normaliseToPcm16(const std::vector<float>& mix, float targetDbfs, std::vector<int16_t>& pcm);

// Where the master's peak is placed: low enough that the MP3 decoder's overshoot stays below -1 dBFS.
inline constexpr float MASTER_PEAK_DBFS = -2.2f;

} // namespace tessellune
