// The five triangle rasterizers: 28.4 fixed point, top-left fill rule, 8 x 8 blocks, serpentine walk.
//
// Conventions: screen positions are (X, Y, Z, W) with X to the right and Y down; pixel (i, j) is
// sampled at the point (i, j) itself. Only triangles counter-clockwise on the screen (negative
// signed area in these y-down coordinates) cover pixels. Depth is 32-bit signed, smaller is nearer,
// a cleared target holds 0 and a pixel is written only when strictly nearer. Colours are four
// floats per pixel, rows top to bottom. Targets must be a multiple of 8 pixels wide and row ranges
// [rowBegin, rowEnd) multiples of 8: whole blocks are drawn, and that grid is what keeps every
// write inside the target and the band. Interpolated values are anchored at the triangle's own
// first block row, so splitting the image into bands never changes a pixel.
#pragma once

#include <cstdint>

#include "render/image.h"
#include "render/pipeline_records.h"
#include "render/texture.h"

namespace tessellune {

struct RenderPipeline;

void rasterizeColor(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2, const Vec4& c0, const Vec4& c1, const Vec4& c2);

void rasterizeColorNoDepth(FloatImage& colour, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                           const Vec4& s1, const Vec4& s2, const Vec4& c0, const Vec4& c1, const Vec4& c2);

// Corner colours made on demand: `make` fills colours[0..2] for the corners s0, s1, s2, and is
// called at most once, and only for a face that covers a pixel of the rows. Lighting a corner
// costs more than setting up the face, and many small faces cover no pixel of a band.
struct CornerColours {
    void (*make)(const void* context, Vec4 colours[3]);
    const void* context;
};

void rasterizeColor(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2, const CornerColours& colours);

void rasterizeColorNoDepth(FloatImage& colour, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                           const Vec4& s1, const Vec4& s2, const CornerColours& colours);

// Lit per pixel from the interpolated view-space position and (not renormalised) normal.
void rasterizeLit(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                  const Vec4& s1, const Vec4& s2, const PipelineVertex& v0, const PipelineVertex& v1,
                  const PipelineVertex& v2, const PipelineNormal& n0, const PipelineNormal& n1,
                  const PipelineNormal& n2, const Vec4& materialColor, const RenderPipeline& pipeline);

// Perspective-correct, nearest texel, repeat wrapping; v = 0 is the bottom row of the texture.
// `packed`, when not null, holds the same texels one word each (render/packed_texel.h) and is what
// the fill reads: the same colours from a quarter of the memory.
void rasterizeTextured(FloatImage& colour, DepthImage& depth, int32_t rowBegin, int32_t rowEnd,
                       const Vec4& s0, const Vec4& s1, const Vec4& s2, const PipelineVertex& v0,
                       const PipelineVertex& v1, const PipelineVertex& v2, const TexCoord& t0,
                       const TexCoord& t1, const TexCoord& t2, const FloatImage& texture,
                       const uint32_t* packed);

// Depth only over rows [0, rowEnd); the colour target supplies the width and is not touched.
void rasterizeDepth(const FloatImage& colour, DepthImage& depth, int32_t rowEnd, const Vec4& s0,
                    const Vec4& s1, const Vec4& s2);

// The texel a (u, v) pair selects in a width x height texture: the index row * width + column.
int32_t texelIndex(float u, float v, int32_t width, int32_t height);

} // namespace tessellune
