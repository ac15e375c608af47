// A frame's fingerprint for the golden-frame manifest: 64-bit FNV-1a over its visible bytes.
//
// Conventions: pixels are display words 0xAARRGGBB, rows from the top, `width` words a row with no
// padding; the alpha byte is not hashed (no host shows it), the red, green and blue bytes are, in
// that order. The hash is printed as 16 lower-case hex digits.
#pragma once

#include <cstdint>
#include <string>

namespace tessellune::tools {

uint64_t hashFrame(const uint32_t* pixels, int32_t width, int32_t height);

std::string hashText(uint64_t hash);

} // namespace tessellune::tools
