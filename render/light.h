// Point lights and the lighting model: diffuse and specular terms with inverse-square falloff.
//
// Conventions: positions and normals are view-space four-float vectors (points w = 1, normals
// w = 0); every dot product sums all four lanes. Colours are linear floats, not clamped.
#pragma once

#include <cstdint>

#include "math/vec4.h"

namespace tessellune {

struct RenderPipeline;

struct alignas(16) Light {
    Vec4 worldPosition;    // x, y, z, 1
    Vec4 viewPosition;     // filled by the scene with the frame's view matrix; lighting uses it
    Vec4 diffuseColor;     // the scenes use (10, 10, 10, 0)
    Vec4 diffuseIntensity; // first lane only
    Vec4 specularColor;
    Vec4 specularIntensity; // first lane only
};

struct alignas(16) LightTerms {
    Vec4 diffuse;
    Vec4 specular;
};

// The lighting of one (vertex, normal) pair, remembered by the band renderer.
struct alignas(16) LightCacheEntry {
    LightTerms terms;
    int32_t vertex = -1;
    int32_t normal = -1;
};

// An approximation of s^10 on the exponent bits of a double: one subtraction, one multiply.
// Values of s too small for the trick (the intermediate goes negative) give 0.
float fastPow10(float s);

// One light at one surface point.
LightTerms lightTerm(const Light& light, const Vec4& position, const Vec4& normal);

// The sum of lightTerm over the pipeline's lights in slot order.
LightTerms lightSum(const RenderPipeline& pipeline, const Vec4& position, const Vec4& normal);

namespace scalar {
LightTerms lightTerm(const Light& light, const Vec4& position, const Vec4& normal);
LightTerms lightSum(const RenderPipeline& pipeline, const Vec4& position, const Vec4& normal);
} // namespace scalar

} // namespace tessellune
