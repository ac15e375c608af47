// Float colour images (render targets, textures, title cards) and depth targets.
//
// Conventions: pixels are four floats r, g, b, a, rows from the top of the picture down, packed
// back to back with `width` pixels each, 16-byte aligned. Colours in textures are premultiplied by
// alpha. A depth pixel is a 32-bit value where 0 means nothing has been drawn.
#pragma once

#include <cstdint>

#include "math/vec4.h"

namespace tessellune {

struct FloatImage {
    Vec4* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool ownsPixels = false; // releasing the image frees the pixels only when set
};

struct DepthImage {
    uint32_t* pixels = nullptr; // always owned
    int32_t width = 0;
    int32_t height = 0;
};

} // namespace tessellune
