// Whole-file reading for the loaders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessellune {

// The whole file in binary mode; an empty buffer when it cannot be opened, read, or is empty.
std::vector<uint8_t> readFile(const std::string& path);

} // namespace tessellune
