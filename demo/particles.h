// The particle field: one cube per non-white pixel of a picture, on rings or at its pixel position.
//
// Conventions: the picture is a premultiplied float image, row 0 at the top; a pixel is white when
// red, green and blue are all 1.0 or more. Image positions put +x to the right and +y up, 10 units
// per pixel; the rings turn about the world's y axis with radius 60 and rows 2 units apart.
#pragma once

#include <cstdint>
#include <vector>

#include "math/vec4.h"
#include "render/image.h"
#include "render/material.h"

namespace tessellune {

inline constexpr uint32_t PARTICLE_ORDER_SEED = 383827893u; // shuffles pixels over particles
inline constexpr uint32_t PARTICLE_RING_SEED = 9492034u;    // breaks the rings into rows
inline constexpr int RING_STEPS = 128;                      // particles per full turn of a ring

struct alignas(16) Particle {
    Vec4 grey;          // (g, g, g, 0)
    Vec4 imageColour;   // the pixel's red, green, blue, then 0
    Vec4 ringDirection; // (sin a, 0, cos a, 0)
    Material material;  // rewritten every frame by the particle scenes
    int32_t column = 0; // pixel position in the picture
    int32_t row = 0;
    int32_t centredColumn = 0; // column - width / 2
    int32_t centredRow = 0;    // row - height / 2
    int32_t ringRow = 0;
    float sortKey = 0.0f;
};

struct ParticleField {
    std::vector<Particle> particles;
};

// Builds the field from the picture, seeding the shared generator with the two fixed seeds, so the
// same picture gives the same field on every run.
ParticleField buildParticleField(const FloatImage& picture);

bool isWhite(const Vec4& pixel);

} // namespace tessellune
