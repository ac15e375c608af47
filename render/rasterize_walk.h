// Internal to the rasterizers: triangle setup, planes, and the per-row kernels of the scalar and SSE2 paths.
//
// Conventions as in render/rasterize.h. Edge working values e are (E - 1) >> 4 of the 28.4 edge
// functions with the fill rule folded in, so a pixel is inside exactly when all three are >= 0.
// Each kernel path is a namespace holding the same names (render/rasterize_path.inc lists what it
// uses); every path's kernels give every lane the scalar twin's bits.
#pragma once

#include <cmath>
#include <cstdint>

#include "math/vec4.h"
#include "render/light.h"
#include "render/limits.h"
#include "render/packed_texel.h"

namespace tessellune::raster {

struct Setup {
    float x[3];
    float y[3];
    float area; // M = (x2 - x1)(y3 - y1) - (x3 - x1)(y2 - y1): negative for drawn triangles
    int32_t width;
    int32_t minX, maxX;     // pixel columns [minX, maxX), minX snapped to the block grid
    int32_t firstRow;       // first block row of this call (band), snapped
    int32_t startRow;       // first row of this call that the triangle can cover (not snapped)
    int32_t endRow;         // rows from endRow on are not covered
    int32_t anchorRow;      // the triangle's first block row in the whole target: values start here
    int32_t edge[3];        // working values at (minX, firstRow)
    int32_t stepX[3];       // per pixel to the right: -DY
    int32_t stepY[3];       // per row down: DX
    int32_t rejectBound[3]; // block rejected when its top-left value is below this
    int32_t acceptBound[3]; // block fully inside when all three are at least this
};

// Saturating float -> int32 conversions: the one place where an absurd value could otherwise be
// undefined behaviour. NaN gives 0.
inline int32_t truncateSaturated(float v) {
    if (!(v == v)) {
        return 0;
    }
    if (v >= LARGEST_INT32_FLOAT) {
        return INT32_MAX;
    }
    if (v <= -2147483648.0f) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(v);
}

// Nearest integer, ties to even (the processor's default rounding), for values known to fit.
inline int32_t roundToInt(float v) {
#if TESSELLUNE_SSE && !defined(__EMSCRIPTEN__) // emscripten's form of it calls the C library's lrint
    return _mm_cvtss_si32(_mm_set_ss(v));
#else
    return static_cast<int32_t>(std::nearbyint(v));
#endif
}

inline int32_t roundSaturated(float v) {
    if (v > -LARGEST_INT32_FLOAT && v < LARGEST_INT32_FLOAT) {
        return roundToInt(v);
    }
    return truncateSaturated(v);
}

// Depth of a projected Z: (z - 1) * (2^30 - 1), truncated, so -1..1 spans -2147483646..0.
inline int32_t encodeDepth(float z) {
    const double d = static_cast<double>(z - 1.0f) * DEPTH_SCALE;
    if (!(d == d)) {
        return 0;
    }
    if (d <= -2147483648.0) {
        return INT32_MIN;
    }
    if (d >= 2147483647.0) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(d);
}

// Fills `s` for the triangle and the rows [rowBegin, rowEnd); false when nothing can be drawn
// (coordinates not finite or beyond the exact range, zero area, wrong winding, or no rows).
bool setupTriangle(const Vec4& p0, const Vec4& p1, const Vec4& p2, int32_t width, int32_t rowBegin,
                   int32_t rowEnd, Setup& s);

// Gradients of a per-corner value over the screen, and its value at the anchor (minX, anchorRow).
struct Plane {
    Vec4 start, dx, dy;
};
Plane makePlane(const Setup& s, const Vec4& f1, const Vec4& f2, const Vec4& f3);
inline Vec4 planeAt(const Plane& p, int32_t columns, int32_t rows) {
    return add(add(p.start, scale(p.dx, static_cast<float>(columns))), scale(p.dy, static_cast<float>(rows)));
}

// The integer depth plane: start at the anchor, whole steps per pixel and per row. A start that
// fits 32 bits steps in wrapping 32-bit arithmetic: the golden frames' depths depend on the wrap,
// and the SIMD paths step the same way so that they agree bit for bit. The anchor is the corner of
// the triangle's block grid, which for a face cut by the near plane can lie far outside it where
// the plane leaves the 32-bit range; such a start is kept in 64 bits and each pixel's value is
// clamped to 32 bits only once it is reached, so the pixels inside the face keep their depth.
struct DepthPlane {
    int64_t start;
    int32_t dx, dy;
    bool wraps; // start fitted 32 bits: keep the low 32 bits of each value rather than clamping
};
DepthPlane makeDepthPlane(const Setup& s, float z1, float z2, float z3);
inline int64_t depthAt(const DepthPlane& p, int32_t columns, int32_t rows) {
    return p.start + int64_t(columns) * p.dx + int64_t(rows) * p.dy;
}
// The 32-bit depth a plane value stands for.
inline int32_t depthValue(const DepthPlane& p, int64_t v) {
    if (p.wraps) {
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    }
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

// The texel of (u, v) in a width x height texture, wrapping both ways: row * width + column, with
// v = 0 the bottom row. For power-of-two sizes the unsigned remainder is a mask (the same value,
// without two integer divisions a pixel).
template <bool PowerOfTwo>
inline int32_t wrappedTexel(float u, float v, int32_t width, int32_t height) {
    const uint32_t tx = static_cast<uint32_t>(roundSaturated(u * static_cast<float>(width)));
    const uint32_t ty = static_cast<uint32_t>(roundSaturated(v * static_cast<float>(height)));
    const uint32_t w = static_cast<uint32_t>(width);
    const uint32_t h = static_cast<uint32_t>(height);
    const uint32_t column = PowerOfTwo ? tx & (w - 1u) : tx % w;
    const uint32_t row = h - 1u - (PowerOfTwo ? ty & (h - 1u) : ty % h);
    return static_cast<int32_t>(row) * width + static_cast<int32_t>(column);
}

// The plain C++ twins: one pixel at a time, every operation written out in scalar form.
namespace scalar {

// The Vec4 operations' scalar forms, named with this alias in the code below (the SSE forms share
// their names and would be found too through the arguments' namespace).
namespace op = ::tessellune::scalar;

// What a path's walk and shaders reach through the path's namespace.
using ::tessellune::scalar::add;
using ::tessellune::scalar::lightSum;
using ::tessellune::scalar::mul;
using ::tessellune::scalar::scale;
using ::tessellune::scalar::unpackTexel;

// Depth test of the covered pixels of one 8-pixel row of a wrapping plane: pixel i has depth
// z + i * dz (32-bit wrapping) and is written where strictly nearer than target[i]. Returns the
// written pixels, bit i for pixel i.
inline uint32_t depthRow(int32_t* target, int32_t z, int32_t dz, uint32_t mask) {
    uint32_t written = 0;
    for (; mask != 0; mask &= mask - 1) {
        const int32_t i = __builtin_ctz(mask);
        const auto depth = static_cast<int32_t>(static_cast<uint32_t>(z) +
                                                static_cast<uint32_t>(i) * static_cast<uint32_t>(dz));
        if (depth < target[i]) {
            target[i] = depth;
            written |= 1u << i;
        }
    }
    return written;
}

// The per-triangle steps and per-row edge values the walk carries, one lane at a time.
struct LaneSteps {
    int32_t step;
};
inline LaneSteps laneSteps(int32_t step) {
    return {step};
}
inline uint32_t depthRow(int32_t* target, int32_t z, const LaneSteps& dz, uint32_t mask) {
    return depthRow(target, z, dz.step, mask);
}
struct EdgeLanes {
    int32_t across[3], down[3];
};
inline EdgeLanes edgeLanes(const int32_t stepX[3], const int32_t stepY[3]) {
    return {{stepX[0], stepX[1], stepX[2]}, {stepY[0], stepY[1], stepY[2]}};
}
struct EdgeRows {
    int32_t value[3];
};
inline EdgeRows edgeRows(const EdgeLanes&, int32_t a, int32_t b, int32_t c) {
    return {{a, b, c}};
}
inline void nextRow(EdgeRows& rows, const EdgeLanes& lanes) {
    for (int k = 0; k < 3; ++k) {
        rows.value[k] += lanes.down[k];
    }
}

// Coverage of one 8-pixel row of a partial block, bit i for pixel i.
inline uint32_t rowMask(int32_t a, int32_t b, int32_t c, int32_t sa, int32_t sb, int32_t sc) {
    uint32_t mask = 0;
    for (uint32_t i = 0; i < BLOCK_SIZE; ++i) {
        if ((a | b | c) >= 0) {
            mask |= 1u << i;
        }
        a += sa;
        b += sb;
        c += sc;
    }
    return mask;
}
inline uint32_t insideMask(const EdgeRows& rows, const EdgeLanes& lanes) {
    return rowMask(rows.value[0], rows.value[1], rows.value[2], lanes.across[0], lanes.across[1],
                   lanes.across[2]);
}

// The texels of one 8-pixel row of a power-of-two texture: pixel i interpolates (u/z, v/z, 1/z) as
// start + i * dx and divides by its own 1/z. Only the pixels in `mask` are computed.
inline void texelRow(const Vec4& start, const Vec4& dx, int32_t width, int32_t height, uint32_t mask,
                     int32_t out[BLOCK_SIZE]) {
    for (; mask != 0; mask &= mask - 1) {
        const int32_t i = __builtin_ctz(mask);
        const Vec4 value = op::add(start, op::scale(dx, static_cast<float>(i)));
        const float w = 1.0f / value.z;
        out[i] = wrappedTexel<true>(value.x * w, value.y * w, width, height);
    }
}

// An interpolated colour into the covered pixels of a row: pixel i gets start + i * dx.
inline void fillRow(Vec4* row, const Vec4& start, const Vec4& dx, uint32_t mask) {
    for (; mask != 0; mask &= mask - 1) {
        const int32_t i = __builtin_ctz(mask);
        row[i] = op::add(start, op::scale(dx, static_cast<float>(i)));
    }
}

// Per-pixel lighting of the covered pixels of a row, from the interpolated position and normal:
// diffuse x material + specular + ambient.
inline void litRow(Vec4* row, const Vec4& position, const Vec4& positionDx, const Vec4& normal,
                   const Vec4& normalDx, const Vec4& material, const Vec4& ambient,
                   const RenderPipeline& pipeline, uint32_t mask) {
    for (; mask != 0; mask &= mask - 1) {
        const int32_t i = __builtin_ctz(mask);
        const auto offset = static_cast<float>(i);
        const LightTerms light = op::lightSum(pipeline, op::add(position, op::scale(positionDx, offset)),
                                              op::add(normal, op::scale(normalDx, offset)));
        row[i] = op::add(op::add(op::mul(light.diffuse, material), light.specular), ambient);
    }
}

// One texel into a pixel: copied from the float texels, or unpacked from its word.
template <bool Packed>
inline void writeTexel(Vec4& pixel, const Vec4* texels, const uint32_t* packed, int32_t index) {
    if constexpr (Packed) {
        pixel = unpackTexel(packed[index]);
    } else {
        pixel = texels[index];
    }
}

// The texels `index` names into the covered pixels of a row.
template <bool Packed>
inline void writeTexels(Vec4* row, const Vec4* texels, const uint32_t* packed,
                        const int32_t index[BLOCK_SIZE], uint32_t mask) {
    for (; mask != 0; mask &= mask - 1) {
        const int32_t i = __builtin_ctz(mask);
        writeTexel<Packed>(row[i], texels, packed, index[i]);
    }
}

} // namespace scalar

#if TESSELLUNE_SSE

// Four lanes at a time; the attribute arithmetic on whole Vec4s in SSE registers.
namespace sse2 {

using ::tessellune::add;
using ::tessellune::lightSum;
using ::tessellune::mul;
using ::tessellune::scale;

// Lanes 0..3 and 4..7 of i * step: the offsets of a row's pixels from its first one, made once per
// triangle (wrapping, as the scalar sums modulo 2^32).
struct LaneSteps {
    __m128i low, high;
};
inline LaneSteps laneSteps(int32_t step) {
    const auto u = static_cast<uint32_t>(step);
    const auto lane = [u](uint32_t i) { return static_cast<int32_t>(i * u); };
    const __m128i low = _mm_set_epi32(lane(3), lane(2), lane(1), 0);
    return {low, _mm_add_epi32(low, _mm_set1_epi32(lane(4)))};
}

// The three edges across and down the pixels of a block row, made once per triangle.
struct EdgeLanes {
    LaneSteps across0, across1, across2;
    __m128i down0, down1, down2;
};
inline EdgeLanes edgeLanes(const int32_t stepX[3], const int32_t stepY[3]) {
    return {laneSteps(stepX[0]),      laneSteps(stepX[1]),      laneSteps(stepX[2]),
            _mm_set1_epi32(stepY[0]), _mm_set1_epi32(stepY[1]), _mm_set1_epi32(stepY[2])};
}

// The three edge values of the eight pixels of one block row, four lanes at a time; stepping down a
// row adds the same whole steps the scalar rule would, so every lane holds the scalar value. Named
// lanes rather than arrays keep all six in registers.
struct EdgeRows {
    __m128i a0, a1, b0, b1, c0, c1;
};
inline EdgeRows edgeRows(const EdgeLanes& lanes, int32_t a, int32_t b, int32_t c) {
    const __m128i va = _mm_set1_epi32(a);
    const __m128i vb = _mm_set1_epi32(b);
    const __m128i vc = _mm_set1_epi32(c);
    return {_mm_add_epi32(va, lanes.across0.low), _mm_add_epi32(va, lanes.across0.high),
            _mm_add_epi32(vb, lanes.across1.low), _mm_add_epi32(vb, lanes.across1.high),
            _mm_add_epi32(vc, lanes.across2.low), _mm_add_epi32(vc, lanes.across2.high)};
}
inline void nextRow(EdgeRows& rows, const EdgeLanes& lanes) {
    rows.a0 = _mm_add_epi32(rows.a0, lanes.down0);
    rows.a1 = _mm_add_epi32(rows.a1, lanes.down0);
    rows.b0 = _mm_add_epi32(rows.b0, lanes.down1);
    rows.b1 = _mm_add_epi32(rows.b1, lanes.down1);
    rows.c0 = _mm_add_epi32(rows.c0, lanes.down2);
    rows.c1 = _mm_add_epi32(rows.c1, lanes.down2);
}
// A pixel is inside when the sign bit of the OR of its three edge values is clear.
inline uint32_t insideMask(const EdgeRows& rows, const EdgeLanes&) {
    const __m128i lowSigns = _mm_or_si128(_mm_or_si128(rows.a0, rows.b0), rows.c0);
    const __m128i highSigns = _mm_or_si128(_mm_or_si128(rows.a1, rows.b1), rows.c1);
    const uint32_t outside = static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(lowSigns))) |
                             (static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(highSigns))) << 4);
    return ~outside & 0xffu;
}

// One row on its own, as the scalar rule takes it.
inline uint32_t rowMask(int32_t a, int32_t b, int32_t c, int32_t sa, int32_t sb, int32_t sc) {
    const int32_t across[3] = {sa, sb, sc};
    const int32_t down[3] = {0, 0, 0};
    const EdgeLanes lanes = edgeLanes(across, down);
    return insideMask(edgeRows(lanes, a, b, c), lanes);
}

// The same depth test eight pixels at a time, without a branch per pixel: the whole row is read
// and written back, unchanged where not covered or not nearer. Every row of a block lies inside the
// target and the band (the 8-pixel grid), so rewriting its pixels touches nothing another band owns.
inline uint32_t depthRow(int32_t* target, int32_t z, const LaneSteps& dz, uint32_t mask) {
    const __m128i start = _mm_set1_epi32(z);
    const __m128i low = _mm_add_epi32(start, dz.low);
    const __m128i high = _mm_add_epi32(start, dz.high);
    const __m128i bits = _mm_set1_epi32(static_cast<int32_t>(mask));
    const __m128i lowBits = _mm_set_epi32(8, 4, 2, 1);
    const __m128i highBits = _mm_set_epi32(128, 64, 32, 16);
    const __m128i lowCovered = _mm_cmpeq_epi32(_mm_and_si128(bits, lowBits), lowBits);
    const __m128i highCovered = _mm_cmpeq_epi32(_mm_and_si128(bits, highBits), highBits);
    auto* row = reinterpret_cast<__m128i*>(target);
    const __m128i storedLow = _mm_loadu_si128(row);
    const __m128i storedHigh = _mm_loadu_si128(row + 1);
    const __m128i writeLow = _mm_and_si128(_mm_cmplt_epi32(low, storedLow), lowCovered);
    const __m128i writeHigh = _mm_and_si128(_mm_cmplt_epi32(high, storedHigh), highCovered);
    _mm_storeu_si128(row, _mm_or_si128(_mm_and_si128(writeLow, low), _mm_andnot_si128(writeLow, storedLow)));
    _mm_storeu_si128(row + 1,
                     _mm_or_si128(_mm_and_si128(writeHigh, high), _mm_andnot_si128(writeHigh, storedHigh)));
    return static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(writeLow))) |
           (static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(writeHigh))) << 4);
}
inline uint32_t depthRow(int32_t* target, int32_t z, int32_t dz, uint32_t mask) {
    return depthRow(target, z, laneSteps(dz), mask);
}

// The same texels four pixels at a time: the same products, sums and one quotient per lane, the
// same rounding (to nearest, as a scalar conversion); lanes whose coordinate is beyond the range
// that conversion handles take the scalar rule. Texture sizes must be powers of two.
inline void texelRow(const Vec4& start, const Vec4& dx, int32_t width, int32_t height, uint32_t mask,
                     int32_t out[BLOCK_SIZE]) {
    const __m128 fw = _mm_set1_ps(static_cast<float>(width));
    const __m128 fh = _mm_set1_ps(static_cast<float>(height));
    const __m128 high = _mm_set1_ps(LARGEST_INT32_FLOAT);
    const __m128 low = _mm_set1_ps(-LARGEST_INT32_FLOAT);
    const __m128i columnMask = _mm_set1_epi32(width - 1);
    const __m128i rowMask = _mm_set1_epi32(height - 1);
    const __m128i shift = _mm_cvtsi32_si128(__builtin_ctz(static_cast<uint32_t>(width)));
    for (int32_t half = 0; half < 2; ++half) {
        if (((mask >> (4 * half)) & 0xfu) == 0) {
            continue;
        }
        const float o = static_cast<float>(4 * half);
        const __m128 i = _mm_set_ps(o + 3.0f, o + 2.0f, o + 1.0f, o);
        const __m128 x = _mm_add_ps(_mm_set1_ps(start.x), _mm_mul_ps(_mm_set1_ps(dx.x), i));
        const __m128 y = _mm_add_ps(_mm_set1_ps(start.y), _mm_mul_ps(_mm_set1_ps(dx.y), i));
        const __m128 z = _mm_add_ps(_mm_set1_ps(start.z), _mm_mul_ps(_mm_set1_ps(dx.z), i));
        const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), z);
        const __m128 pu = _mm_mul_ps(_mm_mul_ps(x, w), fw);
        const __m128 pv = _mm_mul_ps(_mm_mul_ps(y, w), fh);
        const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmpgt_ps(pu, low), _mm_cmplt_ps(pu, high)),
                                         _mm_and_ps(_mm_cmpgt_ps(pv, low), _mm_cmplt_ps(pv, high)));
        const __m128i column = _mm_and_si128(roundToInt4(pu), columnMask);
        const __m128i row = _mm_sub_epi32(rowMask, _mm_and_si128(roundToInt4(pv), rowMask));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * half),
                         _mm_add_epi32(_mm_sll_epi32(row, shift), column));
        const uint32_t outside =
            ~static_cast<uint32_t>(_mm_movemask_ps(inside)) & (mask >> (4 * half)) & 0xfu;
        if (outside != 0) {
            alignas(16) float u[4], v[4];
            _mm_store_ps(u, _mm_mul_ps(x, w));
            _mm_store_ps(v, _mm_mul_ps(y, w));
            for (uint32_t lanes = outside; lanes != 0; lanes &= lanes - 1) {
                const int32_t lane = __builtin_ctz(lanes);
                out[4 * half + lane] = wrappedTexel<true>(u[lane], v[lane], width, height);
            }
        }
    }
}

inline void fillRow(Vec4* row, const Vec4& start, const Vec4& dx, uint32_t mask) {
    for (; mask != 0; mask &= mask - 1) {
        const int32_t i = __builtin_ctz(mask);
        row[i] = add(start, scale(dx, static_cast<float>(i)));
    }
}

inline void litRow(Vec4* row, const Vec4& position, const Vec4& positionDx, const Vec4& normal,
                   const Vec4& normalDx, const Vec4& material, const Vec4& ambient,
                   const RenderPipeline& pipeline, uint32_t mask) {
    for (; mask != 0; mask &= mask - 1) {
        const int32_t i = __builtin_ctz(mask);
        const auto offset = static_cast<float>(i);
        const LightTerms light = lightSum(pipeline, add(position, scale(positionDx, offset)),
                                          add(normal, scale(normalDx, offset)));
        row[i] = add(add(mul(light.diffuse, material), light.specular), ambient);
    }
}

template <bool Packed>
inline void writeTexel(Vec4& pixel, const Vec4* texels, const uint32_t* packed, int32_t index) {
    if constexpr (Packed) {
        _mm_store_ps(&pixel.x, unpackTexelLanes(packed[index]));
    } else {
        pixel = texels[index];
    }
}

template <bool Packed>
inline void writeTexels(Vec4* row, const Vec4* texels, const uint32_t* packed,
                        const int32_t index[BLOCK_SIZE], uint32_t mask) {
    for (; mask != 0; mask &= mask - 1) {
        const int32_t i = __builtin_ctz(mask);
        writeTexel<Packed>(row[i], texels, packed, index[i]);
    }
}

} // namespace sse2

#endif

} // namespace tessellune::raster
