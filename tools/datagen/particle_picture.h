// The particle picture: the image whose non-white pixels become the particle scenes' cubes.
//
// Conventions: an RGBA image, row 0 at the top; pure white (255, 255, 255) means "no particle",
// every other pixel is one particle in its own colour.
#pragma once

#include "tools/datagen/rgba_image.h"

namespace tessellune::datagen {

// The scenes place pixel (x, y) at 10 units a pixel around column W / 2 and row H / 2, and the
// picture cameras aim one pixel left of and two above that point: the framed scene is drawn
// around it, with a one-pixel white margin.
inline constexpr int PICTURE_WIDTH = 66;
inline constexpr int PICTURE_HEIGHT = 52;

// A night over the dunes in a rounded frame: a crescent moon, stars, three ridges of sand in the
// dune scenes' colours and a caravan of camels on the middle crest. About 3,000 particles.
RgbaImage makeParticlePicture();

} // namespace tessellune::datagen
