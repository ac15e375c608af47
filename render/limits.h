// The renderer's fixed sizes and number formats, each with the reason it has that value.
#pragma once

#include <cstdint>

namespace tessellune {

// Entries per pipeline buffer (vertices, normals, texture coordinates, faces) in one scene pass:
// the heaviest scene, 9000 particle cubes of 8 vertices, fits with room to spare.
inline constexpr int32_t PIPELINE_CAPACITY = 100000;

// Corner slots per face: a triangle clipped by six planes gains at most one corner per plane
// (3 + 6 = 9), and OBJ polygons are fanned into triangles before they reach the pipeline.
inline constexpr int32_t MAX_FACE_CORNERS = 14;

// Point lights per pass; the scenes use one.
inline constexpr int32_t MAX_LIGHTS = 16;

} // namespace tessellune
