// Draws the soundtrack's analysis picture (spectrogram over a level strip) and writes it as PNG.
//
// Conventions: images are 8-bit RGB, rows top to bottom; x runs along the track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessellune {

// Writes an 8-bit RGB image as PNG (zlib deflate); false with `error` on failure.
bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string& error);

// Spectrogram (bands x columns, dB) above a peak/RMS strip, with white lines at the given
// columns (section starts). Returns the RGB pixels; width = columns.
std::vector<uint8_t> drawAnalysis(const std::vector<float>& spectrum, int columns, int bands,
                                  const std::vector<int16_t>& pcm, const std::vector<int>& markers,
                                  int& height);

} // namespace tessellune
