// Measurements of rendered audio for checking the mix without ears: levels, onsets, spectra.
//
// Conventions: interleaved stereo; int16 samples are full scale at 32768, floats at 1.0; levels
// are in dBFS (-inf for silence is reported as -200); frames count stereo pairs.
#pragma once

#include <cstdint>
#include <vector>

namespace tessellune {

struct Level {
    float peakDb = -200.0f;
    float rmsDb = -200.0f;
};

// Peak and RMS of frames [first, first + count) of the PCM.
Level measureLevel(const std::vector<int16_t>& pcm, int64_t first, int64_t count);

// Level of each consecutive block of framesPerBlock frames (the last block may be shorter).
std::vector<Level> blockLevels(const std::vector<int16_t>& pcm, int64_t framesPerBlock);

// Frames where sound starts after at least minSilence frames of exact digital silence.
std::vector<int64_t> onsetsAfterSilence(const std::vector<float>& mix, int64_t minSilence);

// The frequency in Hz of the strongest partial in `size` frames (a power of two) of the mono mix
// from frame `first`, refined between FFT bins; 0 when the range is empty or silent.
float dominantFrequency(const std::vector<float>& mix, int64_t first, int size);

// A log-frequency spectrogram: `columns` x `bands` magnitudes in dB (row-major, lowest band
// first), 30 Hz .. 16 kHz, each column a 2048-point windowed FFT of the mono mix.
std::vector<float> spectrogram(const std::vector<int16_t>& pcm, int columns, int bands);

} // namespace tessellune
