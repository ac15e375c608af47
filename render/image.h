// Float colour images (render targets, textures, title cards) and depth targets: the records, their
// allocation and their release.
//
// Conventions: pixels are four floats r, g, b, a, rows from the top of the picture down, packed
// back to back with `width` pixels each, 16-byte aligned. Colours in textures are premultiplied by
// alpha. A depth pixel is a 32-bit value where 0 means nothing has been drawn. Pixels are cleared
// to 0 at creation; releasing an image frees its pixels only when it owns them (depth images always
// do) and leaves an empty record. Colour pixels come from new[] of Vec4, as the texture loader's
// do, so either side may release them.
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

// False (and an empty image) when the size is not positive or memory cannot be had.
bool createFloatImage(FloatImage& image, int32_t width, int32_t height);
void releaseFloatImage(FloatImage& image);

bool createDepthImage(DepthImage& image, int32_t width, int32_t height);
void releaseDepthImage(DepthImage& image);

} // namespace tessellune
