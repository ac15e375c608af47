// The records that travel through the pipeline buffers: vertices, normals, texture coordinates, faces.
//
// Conventions: view space is right-handed, looking down -z with +y up. Screen space has x to the
// right and y down, row 0 at the top. In a mesh, face indices are local to the mesh; in the
// pipeline they are absolute buffer indices. A normal index of -1 means "no normal".
#pragma once

#include <cstdint>

#include "math/vec4.h"
#include "render/limits.h"

namespace tessellune {

struct Material;

struct alignas(16) PipelineVertex {
    Vec4 position; // elements 0..3: view-space x, y, z, w
    Vec4 unused0;  // elements 4..7
    Vec4 screen;   // elements 8..11: pixel X, Y, projected depth Z, clip-space W (= -view z)
    // Element 12: the camera planes the position is inside (bit i for plane i), written by a
    // submission that will clip, while the position is at hand; valid for the vertices of the open
    // submission below RenderPipeline::planesKnownEnd only.
    uint32_t planeBits = 0;
    float unused13 = 0.0f;
    float occlusion = 1.0f; // element 14: ambient-occlusion factor, 1 for procedural geometry
    float unused15 = 0.0f;
};

static_assert(sizeof(PipelineVertex) == 64);

struct alignas(16) PipelineNormal {
    float nx = 0.0f, ny = 0.0f, nz = 0.0f, nw = 0.0f;
};

struct alignas(16) TexCoord {
    float u = 0.0f, v = 0.0f, unused0 = 0.0f, unused1 = 0.0f;
};

struct alignas(16) PipelineFace {
    Vec4 normal; // unit face normal, w = 0 (view space in the pipeline, model space in a mesh)
    int32_t vertex[MAX_FACE_CORNERS] = {};
    int32_t texcoord[MAX_FACE_CORNERS] = {};
    int32_t normalIndex[MAX_FACE_CORNERS] = {};
    int32_t cornerCount = 0;
    float facing = 0.0f; // the back-face quantity the face passed with at submission
    const Material* material = nullptr;
    int32_t carried = 0; // carried unchanged from the mesh face
};

// What the ordering and the bands read of a stored face, kept beside the face buffer in face order: one cache
// line a face instead of the four lines of its record that corners 0 to 2 and the material span. The bands
// visit faces in depth order, scattered over the buffers, so each line is a wait.
struct alignas(64) BandFace {
    Vec4 normal; // the face normal, for corners that name no normal
    int32_t vertex[3] = {};
    int32_t texcoord[3] = {};
    int32_t normalIndex[3] = {};
    int32_t cornerCount = 0;
    const Material* material = nullptr;
};

static_assert(sizeof(BandFace) == 64);

// The rows a stored face can reach on the screen: the least and greatest screen Y of its corners 0
// to 2. A face the bands never draw (fewer than three corners) has minY = +inf and maxY = -inf.
struct FaceRows {
    float minY = 0.0f;
    float maxY = 0.0f;
};

} // namespace tessellune
