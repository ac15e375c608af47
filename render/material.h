// The material record faces point at, and the shader types that choose how a face is drawn.
#pragma once

#include <cstdint>
#include <string>

#include "math/vec4.h"

namespace tessellune {

enum ShaderType : int32_t {
    Baked = -1,           // texture unlit, else material colour x vertex occlusion
    Hidden = 1,           // depth only (occlusion pass), never drawn in colour
    PixelLit = 4,         // lit per pixel
    VertexLit = 5,        // lit per vertex, colour interpolated
    VertexLitNoDepth = 55 // lit per vertex, drawn without depth test or write
};

inline constexpr uint32_t MATERIAL_CHECK_WORD = 0xf1e2d3c4u;

struct alignas(16) Material {
    Vec4 ambient;             // Ka: the colour the band renderer uses (a stays 0 from files)
    Vec4 diffuse;             // Kd
    Vec4 specular;            // Ks
    int32_t textureIndex = 0; // index into the texture store; 0 and below mean no texture
    int32_t shaderType = 0;
    int32_t specularExponent = 0; // Ns
    float opacity = 1.0f;         // d
    std::string name;
    uint32_t check = MATERIAL_CHECK_WORD;
};

} // namespace tessellune
