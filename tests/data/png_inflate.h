// A test-only PNG reader for the generator's own output (8-bit RGBA, one or more IDAT chunks),
// built on zlib's inflate. It checks every chunk's CRC and undoes all five row filters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/datagen/rgba_image.h"

namespace tessellune::datatest {

// False with a message when the bytes are not a well-formed 8-bit RGBA PNG.
bool inflatePng(const std::vector<uint8_t>& bytes, datagen::RgbaImage& image, std::string& error);

std::vector<uint8_t> readBytes(const std::string& path);

} // namespace tessellune::datatest
