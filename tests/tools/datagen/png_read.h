// Reads the generator's PNG files back: every chunk's CRC checked with zlib (the demo's decoder
// does not check them, other viewers do), the pixels through the demo's PngSuite-checked decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/datagen/rgba_image.h"

namespace tessellune::datatest {

// False with a message when the bytes are not a well-formed 8-bit RGBA PNG.
bool readPng(const std::vector<uint8_t>& bytes, datagen::RgbaImage& image, std::string& error);

} // namespace tessellune::datatest
