// Test helpers: known PCM, MP3 files encoded from it at test time, and comparing decoded sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessellune::testing {

// `frames` frames of interleaved 16-bit PCM with `channels` channels at `rate` Hz: a different
// chord of low sines per channel, so that swapped or mixed channels show up in a comparison.
std::vector<int16_t> makeChord(size_t frames, int channels, int rate);

// Encodes interleaved PCM to a complete MP3 (with its encoder tag, so gapless decoding knows the
// delay and padding) at `rate` Hz.
std::vector<uint8_t> encodeMp3(const std::vector<int16_t>& pcm, int channels, int rate, int kbps = 192);

// Writes bytes to a fresh file in the temporary directory and returns its path.
std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes);

// One channel of interleaved PCM as doubles.
std::vector<double> channel(const std::vector<int16_t>& pcm, int channels, int which);

// Pearson correlation of the first min(a, b) samples.
double correlation(const std::vector<double>& a, const std::vector<double>& b);

// Linear-interpolation resampling of one channel, good enough as a reference for low tones.
std::vector<double> resampleLinear(const std::vector<double>& samples, int fromRate, int toRate);

// Plays a stream through the offline output from its current position to its end and returns
// everything the output received from it. The library must be initialised offline and started.
std::vector<int16_t> drainOffline(uint32_t stream);

} // namespace tessellune::testing
