// Encodes RGBA pictures as PNG files (8-bit truecolour with alpha, non-interlaced).
//
// Conventions: input rows from the top down, straight alpha. The output is deterministic: the same
// picture always gives the same bytes (fixed filters, fixed compression level, no time stamp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/datagen/rgba_image.h"

namespace tessellune::datagen {

// The whole PNG file in memory; empty when the picture is empty or compression fails.
std::vector<uint8_t> encodePng(const RgbaImage& image);

// Writes encodePng's bytes to path; false (with a message in error) when encoding or writing fails.
bool writePng(const std::string& path, const RgbaImage& image, std::string& error);

} // namespace tessellune::datagen
