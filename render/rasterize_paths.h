// Internal to the rasterizers: one kernel path's rasterizers and row kernels, as a table of functions.
//
// Conventions as in render/rasterize.h and render/kernel_path.h. Each table's functions are the
// path's own compilation of render/rasterize_path.inc; the public rasterizers in rasterize.cpp
// check nothing more and call the active table's.
#pragma once

#include <cstdint>

#include "render/kernel_path.h"
#include "render/rasterize.h"

namespace tessellune::raster {

struct PathKernels {
    KernelPath path;
    // Both colour rasterizers (no depth test when `depth` is null). The corner colours are `given`,
    // or made by `made` once the face turns out to cover a pixel.
    void (*color)(FloatImage& colour, DepthImage* depth, int32_t rowBegin, int32_t rowEnd, const Vec4& s0,
                  const Vec4& s1, const Vec4& s2, const Vec4* given, const CornerColours* made);
    decltype(&rasterizeLit) lit;
    decltype(&rasterizeTextured) textured;
    decltype(&rasterizeDepth) depth;
    // The row kernels on their own, so that tests can hold each path's lanes to the scalar twins.
    uint32_t (*rowMask)(int32_t a, int32_t b, int32_t c, int32_t sa, int32_t sb, int32_t sc);
    uint32_t (*depthRow)(int32_t* target, int32_t z, int32_t dz, uint32_t mask);
    void (*texelRow)(const Vec4& start, const Vec4& dx, int32_t width, int32_t height, uint32_t mask,
                     int32_t out[BLOCK_SIZE]);
    void (*fillRow)(Vec4* row, const Vec4& start, const Vec4& dx, uint32_t mask);
    void (*packedTexelRow)(Vec4* row, const uint32_t* packed, const int32_t index[BLOCK_SIZE], uint32_t mask);
};

extern const PathKernels SCALAR_KERNELS;
#if TESSELLUNE_SSE
extern const PathKernels SSE2_KERNELS;
#endif
#if TESSELLUNE_AVX2
extern const PathKernels AVX2_KERNELS;
#endif

// The path's table when this build has it (whether or not the processor can run it), else null.
const PathKernels* pathKernels(KernelPath path);

// The table of the path chosen now (render/kernel_path.h).
const PathKernels& activeKernels();

} // namespace tessellune::raster
