// Copying a dirty box of an application's pixel array into a locked surface, one row at a time.
//
// Conventions: boxes are end-exclusive framebuffer pixels (xBegin, xEnd, yBegin, yEnd). The source
// array is packed (width x bytes per pixel per row); the destination address is the box's top-left
// pixel in the surface, rows pitch bytes apart.
#pragma once

#include "display/converter.h"
#include "display/scanout_types.h"

namespace Scanout {

// The box cut to the framebuffer (no box: the whole framebuffer); false when nothing is left.
bool clipDirtyBox(const DirtyBox* box, int width, int height, DirtyBox& clipped);

// Converts the rows of a clipped box from the source array into the destination.
void convertRows(const Converter& converter, const void* source, int sourceBytesPerPixel, int width,
                 const DirtyBox& box, void* destination, int pitch);

} // namespace Scanout
