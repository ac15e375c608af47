// Turning the float colour buffer into display pixels, plain or faded, and compositing images over it.
//
// Conventions: a display pixel is the 32-bit value 0xAARRGGBB (bytes blue, green, red, alpha in
// memory); each lane is scaled by 255, capped at 255, rounded to nearest (ties to even) and clamped
// to 0..255. Overlay images are premultiplied by alpha; the "over" operator keeps the buffer's alpha.
#pragma once

#include <cstdint>

#include "render/image.h"

namespace tessellune {

struct ResolveTarget {
    uint32_t* pixels = nullptr; // not owned: usually the display's locked framebuffer
    int32_t width = 0;
    int32_t height = 0;
};

// Pixel i of the target from pixel i of the colour buffer, for width x height pixels. When the
// colour buffer holds fewer pixels, only those are converted.
void resolve(ResolveTarget& target, const FloatImage& colour);

// As resolve, with the capped value multiplied by factor before rounding.
void resolveFaded(ResolveTarget& target, float factor, const FloatImage& colour);

// As resolve and resolveFaded, for the target's rows [firstRow, endRow) only: the same pixels, so
// that bands of rows can be converted at once on different threads.
void resolveRows(ResolveTarget& target, const FloatImage& colour, int32_t firstRow, int32_t endRow);
void resolveFadedRows(ResolveTarget& target, float factor, const FloatImage& colour, int32_t firstRow,
                      int32_t endRow);

// Composites the image with its top-left pixel at (x, y); parts outside the target are skipped.
void overlayImage(const FloatImage& image, FloatImage& target, int32_t x, int32_t y);

namespace scalar {
void resolveFaded(ResolveTarget& target, float factor, const FloatImage& colour);
uint32_t packPixel(const Vec4& c, float factor);
} // namespace scalar

} // namespace tessellune
