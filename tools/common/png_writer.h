// Writes RGBA8 pictures as PNG files for the tools (frames, previews); the demo never writes PNGs.
//
// Conventions: rows from the top down, 4 bytes per pixel (red, green, blue, straight alpha). The
// output is deterministic: fixed filter, fixed compression level, no time stamp.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessellune::tools {

// The PNG file in memory; empty when the size is not positive or compression fails.
std::vector<uint8_t> encodePngRgba(int32_t width, int32_t height, std::span<const uint8_t> rgba);

// Writes the PNG; false with a message in `error` when encoding or writing fails.
bool writePngRgba(const std::string& path, int32_t width, int32_t height, std::span<const uint8_t> rgba,
                  std::string& error);

// Display pixels (0xAARRGGBB words, alpha ignored) as opaque RGBA8 bytes.
std::vector<uint8_t> rgbaFromXrgb(const uint32_t* pixels, int32_t width, int32_t height, int32_t strideBytes);

} // namespace tessellune::tools
