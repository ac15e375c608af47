// Allocating and releasing render targets: float colour images and depth images.
//
// Conventions: pixels are 16-byte aligned and cleared to 0 at creation; releasing an image frees
// its pixels only when it owns them (depth images always do) and leaves the pointer null. Colour
// pixels come from new[] of Vec4, as the texture loader's do, so either side may release them.
#pragma once

#include <cstdint>

#include "render/image.h"

namespace tessellune {

// False (and an empty image) when the size is not positive or memory cannot be had.
bool createFloatImage(FloatImage& image, int32_t width, int32_t height);
void releaseFloatImage(FloatImage& image);

bool createDepthImage(DepthImage& image, int32_t width, int32_t height);
void releaseDepthImage(DepthImage& image);

} // namespace tessellune
