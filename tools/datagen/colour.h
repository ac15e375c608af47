// Colour arithmetic for the drawn textures and the particle picture.
//
// Conventions: channels are doubles in [0, 1] (values outside are clamped only when written as
// bytes); mixing parameters are clamped to [0, 1].
#pragma once

#include <algorithm>

#include "tools/datagen/rgba_image.h"

namespace tessellune::datagen {

struct Colour {
    double r, g, b;
};

inline Colour mix(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Colour scaled(Colour c, double s) {
    return {c.r * s, c.g * s, c.b * s};
}

inline Rgba opaque(Colour c) {
    return {toByte(c.r), toByte(c.g), toByte(c.b), 255};
}

} // namespace tessellune::datagen
