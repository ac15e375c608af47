// The textures, drawn from formulas.
//
// Conventions: RGBA images, row 0 at the top; every texture is seamless (it repeats without a
// visible edge) because the renderer wraps texture coordinates.
#pragma once

#include "tools/datagen/rgba_image.h"

namespace tessellune::datagen {

// 512 x 512: bright triangles of a tessellation, a hue per cell; the object's colour bands.
RgbaImage makeColorsTexture();
// 256 x 256: a shaded chrome ball (sky above, warm ground below) looked up by the object's normals.
RgbaImage makeEnvironmentTexture();
// 256 x 256: the particle scenes' floor, a dark plate with a glowing hexagon grid.
RgbaImage makeOpenFloorTexture();
// 256 x 256: the dune scene's floor, teal tiles.
RgbaImage makeTealFloorTexture();

} // namespace tessellune::datagen
