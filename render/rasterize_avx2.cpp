// The AVX2 path of the rasterizers: one 8-pixel block row per register, compiled for AVX2 only here.
//
// Every function below the target switch is compiled for AVX2 (not FMA: a fused multiply-add would
// round differently from the other paths), and is reached only through AVX2_KERNELS, which the
// kernel choice hands out only on processors that have AVX2. The headers are included before the
// switch, so the inline functions they define are compiled for the build's own target here as in
// every other file (a linker keeps one copy of each, and it must run everywhere). Each lane does
// the scalar twin's operations in the same order, so every path writes the same bits.
#include <new>
#include <type_traits>
#include <utility>

#include "math/simd.h"

#if TESSELLUNE_AVX2

#include <immintrin.h>

#include "render/light.h"
#include "render/packed_texel.h"
#include "render/pipeline.h"
#include "render/rasterize_paths.h"
#include "render/rasterize_walk.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace tessellune::raster {

namespace avx2 {

using sse2::writeTexel;
using ::tessellune::add;
using ::tessellune::scale;

// i * step for the eight pixels of a row, made once per triangle (wrapping, as the scalar sums).
struct LaneSteps {
    __m256i lanes;
};
inline LaneSteps laneSteps(int32_t step) {
    return {_mm256_mullo_epi32(_mm256_set1_epi32(step), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7))};
}

struct EdgeLanes {
    __m256i across0, across1, across2;
    __m256i down0, down1, down2;
};
inline EdgeLanes edgeLanes(const int32_t stepX[3], const int32_t stepY[3]) {
    return {laneSteps(stepX[0]).lanes,   laneSteps(stepX[1]).lanes,   laneSteps(stepX[2]).lanes,
            _mm256_set1_epi32(stepY[0]), _mm256_set1_epi32(stepY[1]), _mm256_set1_epi32(stepY[2])};
}

// The three edge values of the eight pixels of one block row.
struct EdgeRows {
    __m256i a, b, c;
};
inline EdgeRows edgeRows(const EdgeLanes& lanes, int32_t a, int32_t b, int32_t c) {
    return {_mm256_add_epi32(_mm256_set1_epi32(a), lanes.across0),
            _mm256_add_epi32(_mm256_set1_epi32(b), lanes.across1),
            _mm256_add_epi32(_mm256_set1_epi32(c), lanes.across2)};
}
inline void nextRow(EdgeRows& rows, const EdgeLanes& lanes) {
    rows.a = _mm256_add_epi32(rows.a, lanes.down0);
    rows.b = _mm256_add_epi32(rows.b, lanes.down1);
    rows.c = _mm256_add_epi32(rows.c, lanes.down2);
}
// A pixel is inside when the sign bit of the OR of its three edge values is clear.
inline uint32_t insideMask(const EdgeRows& rows, const EdgeLanes&) {
    const __m256i signs = _mm256_or_si256(_mm256_or_si256(rows.a, rows.b), rows.c);
    return ~static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(signs))) & 0xffu;
}
inline uint32_t rowMask(int32_t a, int32_t b, int32_t c, int32_t sa, int32_t sb, int32_t sc) {
    const int32_t across[3] = {sa, sb, sc};
    const int32_t down[3] = {0, 0, 0};
    const EdgeLanes lanes = edgeLanes(across, down);
    return insideMask(edgeRows(lanes, a, b, c), lanes);
}

// Lane i all ones when bit i of the mask is set.
inline __m256i pixelLanes(uint32_t mask) {
    const __m256i bits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    return _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int32_t>(mask)), bits), bits);
}

// The depth test of a row in one register; the row is read and written back whole, as on the SSE2
// path (the 8-pixel grid keeps it inside the target and the band).
inline uint32_t depthRow(int32_t* target, int32_t z, const LaneSteps& dz, uint32_t mask) {
    const __m256i depth = _mm256_add_epi32(_mm256_set1_epi32(z), dz.lanes);
    auto* row = reinterpret_cast<__m256i*>(target);
    const __m256i stored = _mm256_loadu_si256(row);
    const __m256i write = _mm256_and_si256(_mm256_cmpgt_epi32(stored, depth), pixelLanes(mask));
    _mm256_storeu_si256(row, _mm256_blendv_epi8(stored, depth, write));
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(write)));
}

// Pixel i's value start + dx * i for each of four attributes held one per register.
inline __m256 planeLanes(float start, float dx) {
    const __m256 offsets = _mm256_setr_ps(0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f);
    return _mm256_add_ps(_mm256_set1_ps(start), _mm256_mul_ps(_mm256_set1_ps(dx), offsets));
}

// The texels of a row eight lanes at a time, as the SSE2 path does four: the same products, sums
// and quotient per lane and the same rounding; lanes beyond the conversion's range take the scalar
// rule. Texture sizes must be powers of two.
inline void texelRow(const Vec4& start, const Vec4& dx, int32_t width, int32_t height, uint32_t mask,
                     int32_t out[BLOCK_SIZE]) {
    const __m256 high = _mm256_set1_ps(LARGEST_INT32_FLOAT);
    const __m256 low = _mm256_set1_ps(-LARGEST_INT32_FLOAT);
    const __m256 x = planeLanes(start.x, dx.x);
    const __m256 y = planeLanes(start.y, dx.y);
    const __m256 z = planeLanes(start.z, dx.z);
    const __m256 w = _mm256_div_ps(_mm256_set1_ps(1.0f), z);
    const __m256 u = _mm256_mul_ps(x, w);
    const __m256 v = _mm256_mul_ps(y, w);
    const __m256 pu = _mm256_mul_ps(u, _mm256_set1_ps(static_cast<float>(width)));
    const __m256 pv = _mm256_mul_ps(v, _mm256_set1_ps(static_cast<float>(height)));
    const __m256 inside =
        _mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(pu, low, _CMP_GT_OQ), _mm256_cmp_ps(pu, high, _CMP_LT_OQ)),
                      _mm256_and_ps(_mm256_cmp_ps(pv, low, _CMP_GT_OQ), _mm256_cmp_ps(pv, high, _CMP_LT_OQ)));
    const __m256i rows = _mm256_set1_epi32(height - 1);
    const __m256i column = _mm256_and_si256(_mm256_cvtps_epi32(pu), _mm256_set1_epi32(width - 1));
    const __m256i row = _mm256_sub_epi32(rows, _mm256_and_si256(_mm256_cvtps_epi32(pv), rows));
    const __m128i shift = _mm_cvtsi32_si128(__builtin_ctz(static_cast<uint32_t>(width)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_add_epi32(_mm256_sll_epi32(row, shift), column));
    const uint32_t outside = ~static_cast<uint32_t>(_mm256_movemask_ps(inside)) & mask & 0xffu;
    if (outside != 0) {
        alignas(32) float us[BLOCK_SIZE], vs[BLOCK_SIZE];
        _mm256_store_ps(us, u);
        _mm256_store_ps(vs, v);
        for (uint32_t lanes = outside; lanes != 0; lanes &= lanes - 1) {
            const int32_t lane = __builtin_ctz(lanes);
            out[lane] = wrappedTexel<true>(us[lane], vs[lane], width, height);
        }
    }
}

// The lanes of pixels 2k (lanes 0..3) and 2k + 1 (lanes 4..7) of a row of Vec4s, all ones where
// their bits are set in the broadcast mask.
inline __m256 pairLanes(__m256i mask, int32_t k) {
    const int32_t first = 1 << (2 * k);
    const int32_t second = first << 1;
    const __m256i pair = _mm256_setr_epi32(first, first, first, first, second, second, second, second);
    return _mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_and_si256(mask, pair), pair));
}

// Four registers of one value per pixel (red, green, blue, alpha of pixels 0..7) into the row's
// eight Vec4 pixels, written where the mask says: two pixels per register, the row read and
// written back whole (the 8-pixel grid keeps it inside the target and the band).
inline void storePixels(Vec4* row, __m256 r, __m256 g, __m256 b, __m256 a, uint32_t mask) {
    const __m256 rg0 = _mm256_unpacklo_ps(r, g); // r0 g0 r1 g1 | r4 g4 r5 g5
    const __m256 rg1 = _mm256_unpackhi_ps(r, g); // r2 g2 r3 g3 | r6 g6 r7 g7
    const __m256 ba0 = _mm256_unpacklo_ps(b, a);
    const __m256 ba1 = _mm256_unpackhi_ps(b, a);
    const __m256 p04 = _mm256_shuffle_ps(rg0, ba0, _MM_SHUFFLE(1, 0, 1, 0)); // pixel 0 | pixel 4
    const __m256 p15 = _mm256_shuffle_ps(rg0, ba0, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 p26 = _mm256_shuffle_ps(rg1, ba1, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 p37 = _mm256_shuffle_ps(rg1, ba1, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 pairs[4] = {_mm256_permute2f128_ps(p04, p15, 0x20), _mm256_permute2f128_ps(p26, p37, 0x20),
                             _mm256_permute2f128_ps(p04, p15, 0x31), _mm256_permute2f128_ps(p26, p37, 0x31)};
    float* out = &row[0].x;
    if (mask == 0xffu) {
        for (int32_t k = 0; k < 4; ++k) {
            _mm256_storeu_ps(out + 8 * k, pairs[k]);
        }
        return;
    }
    const __m256i bits = _mm256_set1_epi32(static_cast<int32_t>(mask));
    for (int32_t k = 0; k < 4; ++k) {
        const __m256 write = pairLanes(bits, k);
        _mm256_storeu_ps(out + 8 * k, _mm256_blendv_ps(_mm256_loadu_ps(out + 8 * k), pairs[k], write));
    }
}

// start + dx * i for pixel i: the same product and sum per lane as the scalar twin. A whole row
// goes two pixels a register; a partial one (the edges of small faces, a pixel or two) a pixel at
// a time as on the SSE2 path, which there costs fewer instructions than blending four registers.
inline void fillRow(Vec4* row, const Vec4& start, const Vec4& dx, uint32_t mask) {
    if (mask != 0xffu) {
        sse2::fillRow(row, start, dx, mask);
        return;
    }
    const __m256 from = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&start.x));
    const __m256 step = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&dx.x));
    float* out = &row[0].x;
    for (int32_t k = 0; k < 4; ++k) {
        const auto first = static_cast<float>(2 * k);
        const __m256 offsets =
            _mm256_setr_ps(first, first, first, first, first + 1, first + 1, first + 1, first + 1);
        _mm256_storeu_ps(out + 8 * k, _mm256_add_ps(from, _mm256_mul_ps(step, offsets)));
    }
}

// The lighting model for eight pixels, one lane each: four registers hold x, y, z and w of a
// vector. Each step is the scalar twin's, lane by lane and in the same order (sums of products
// x, y, z then w; a light that adds nothing adds +0, as the scalar sum does).
struct Lanes4 {
    __m256 x, y, z, w;
};

inline __m256 dot4(const Lanes4& a, const Lanes4& b) {
    return _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(a.x, b.x), _mm256_mul_ps(a.y, b.y)),
                                       _mm256_mul_ps(a.z, b.z)),
                         _mm256_mul_ps(a.w, b.w));
}
inline Lanes4 divide4(const Lanes4& a, __m256 d) {
    return {_mm256_div_ps(a.x, d), _mm256_div_ps(a.y, d), _mm256_div_ps(a.z, d), _mm256_div_ps(a.w, d)};
}
inline Lanes4 normalize4(const Lanes4& a) {
    return divide4(a, _mm256_sqrt_ps(dot4(a, a)));
}
// v > 0 ? min(v, 1) : 0, with NaN giving 0.
inline __m256 clampUnit(__m256 v) {
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 below = _mm256_blendv_ps(one, v, _mm256_cmp_ps(v, one, _CMP_LT_OQ));
    return _mm256_and_ps(below, _mm256_cmp_ps(v, _mm256_setzero_ps(), _CMP_GT_OQ));
}

// fastPow10 on four lanes, in double precision as the scalar one.
inline __m128 fastPow10Half(__m128 s) {
    const __m256i bits = _mm256_castpd_si256(_mm256_cvtps_pd(s));
    const __m128i upper =
        _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(bits, _mm256_setr_epi32(1, 3, 5, 7, 1, 3, 5, 7)));
    const __m256d scaled =
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm_sub_epi32(upper, _mm_set1_epi32(FAST_POW_BIAS))),
                                    _mm256_set1_pd(FAST_POW_EXPONENT)),
                      _mm256_set1_pd(static_cast<double>(FAST_POW_BIAS)));
    const __m256d fits = _mm256_and_pd(_mm256_cmp_pd(scaled, _mm256_setzero_pd(), _CMP_GE_OQ),
                                       _mm256_cmp_pd(scaled, _mm256_set1_pd(FAST_POW_LIMIT), _CMP_LT_OQ));
    const __m256i resultBits = _mm256_slli_epi64(_mm256_cvtepu32_epi64(_mm256_cvttpd_epi32(scaled)), 32);
    const __m128 result = _mm256_cvtpd_ps(_mm256_castsi256_pd(resultBits));
    const __m128i keep = _mm256_castsi256_si128(
        _mm256_permutevar8x32_epi32(_mm256_castpd_si256(fits), _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
    return _mm_and_ps(result, _mm_castsi128_ps(keep));
}
inline __m256 fastPow10(__m256 s) {
    return _mm256_set_m128(fastPow10Half(_mm256_extractf128_ps(s, 1)),
                           fastPow10Half(_mm256_castps256_ps128(s)));
}

// colour * t * intensity / d2 for one colour lane: the scalar scale, scale, divide.
inline __m256 falloff(float colour, __m256 t, float intensity, __m256 d2, __m256 valid) {
    const __m256 v =
        _mm256_div_ps(_mm256_mul_ps(_mm256_mul_ps(_mm256_set1_ps(colour), t), _mm256_set1_ps(intensity)), d2);
    return _mm256_and_ps(v, valid);
}

// diffuse x material + specular + ambient for one colour lane.
inline __m256 shade(__m256 diffuse, float material, __m256 specular, float ambient) {
    return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(diffuse, _mm256_set1_ps(material)), specular),
                         _mm256_set1_ps(ambient));
}

inline void litRow(Vec4* row, const Vec4& position, const Vec4& positionDx, const Vec4& normal,
                   const Vec4& normalDx, const Vec4& material, const Vec4& ambient,
                   const RenderPipeline& pipeline, uint32_t mask) {
    const Lanes4 p{planeLanes(position.x, positionDx.x), planeLanes(position.y, positionDx.y),
                   planeLanes(position.z, positionDx.z), planeLanes(position.w, positionDx.w)};
    const Lanes4 n{planeLanes(normal.x, normalDx.x), planeLanes(normal.y, normalDx.y),
                   planeLanes(normal.z, normalDx.z), planeLanes(normal.w, normalDx.w)};
    const __m256 zero = _mm256_setzero_ps();
    Lanes4 diffuse{zero, zero, zero, zero};
    Lanes4 specular{zero, zero, zero, zero};
    for (int32_t l = 0; l < pipeline.lightCount; ++l) {
        const Light& light = *pipeline.lights[l];
        Lanes4 termDiffuse{zero, zero, zero, zero};
        Lanes4 termSpecular{zero, zero, zero, zero};
        const float diffuseIntensity = light.diffuseIntensity.x;
        if (diffuseIntensity > 0.0f) {
            const Vec4& at = light.viewPosition;
            const Lanes4 d{_mm256_sub_ps(_mm256_set1_ps(at.x), p.x), _mm256_sub_ps(_mm256_set1_ps(at.y), p.y),
                           _mm256_sub_ps(_mm256_set1_ps(at.z), p.z),
                           _mm256_sub_ps(_mm256_set1_ps(at.w), p.w)};
            const __m256 dist = _mm256_sqrt_ps(dot4(d, d));
            // A light sitting on the surface (or a NaN distance) adds nothing at that pixel.
            const __m256 valid = _mm256_cmp_ps(dist, zero, _CMP_GT_OQ);
            const __m256 d2 = _mm256_mul_ps(dist, dist);
            const Lanes4 dn = divide4(d, dist);
            const __m256 t = clampUnit(dot4(n, dn));
            const Vec4& dc = light.diffuseColor;
            termDiffuse = {
                falloff(dc.x, t, diffuseIntensity, d2, valid), falloff(dc.y, t, diffuseIntensity, d2, valid),
                falloff(dc.z, t, diffuseIntensity, d2, valid), falloff(dc.w, t, diffuseIntensity, d2, valid)};
            const float specularIntensity = light.specularIntensity.x;
            if (specularIntensity > 0.0f) {
                const Lanes4 v = normalize4({_mm256_sub_ps(zero, p.x), _mm256_sub_ps(zero, p.y),
                                             _mm256_sub_ps(zero, p.z), _mm256_sub_ps(zero, p.w)});
                const Lanes4 h = normalize4({_mm256_add_ps(v.x, dn.x), _mm256_add_ps(v.y, dn.y),
                                             _mm256_add_ps(v.z, dn.z), _mm256_add_ps(v.w, dn.w)});
                const __m256 power = fastPow10(clampUnit(dot4(h, n)));
                const Vec4& sc = light.specularColor;
                termSpecular = {falloff(sc.x, power, specularIntensity, d2, valid),
                                falloff(sc.y, power, specularIntensity, d2, valid),
                                falloff(sc.z, power, specularIntensity, d2, valid),
                                falloff(sc.w, power, specularIntensity, d2, valid)};
            }
        }
        diffuse = {_mm256_add_ps(diffuse.x, termDiffuse.x), _mm256_add_ps(diffuse.y, termDiffuse.y),
                   _mm256_add_ps(diffuse.z, termDiffuse.z), _mm256_add_ps(diffuse.w, termDiffuse.w)};
        specular = {_mm256_add_ps(specular.x, termSpecular.x), _mm256_add_ps(specular.y, termSpecular.y),
                    _mm256_add_ps(specular.z, termSpecular.z), _mm256_add_ps(specular.w, termSpecular.w)};
    }
    storePixels(row, shade(diffuse.x, material.x, specular.x, ambient.x),
                shade(diffuse.y, material.y, specular.y, ambient.y),
                shade(diffuse.z, material.z, specular.z, ambient.z),
                shade(diffuse.w, material.w, specular.w, ambient.w), mask);
}

// Eight packed texels unpacked as the scalar twin does (each byte / 255, colour times alpha; the
// alpha lane itself is not multiplied) and stored where the mask says.
inline void packedTexels(Vec4* row, const uint32_t* packed, const int32_t index[BLOCK_SIZE], uint32_t mask) {
    const __m256i indices = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index));
    const __m256i words = _mm256_mask_i32gather_epi32(
        _mm256_setzero_si256(), reinterpret_cast<const int*>(packed), indices, pixelLanes(mask), 4);
    const __m256i byte = _mm256_set1_epi32(0xff);
    const __m256 scale = _mm256_set1_ps(255.0f);
    const auto channel = [&](int shift) {
        return _mm256_div_ps(_mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(words, shift), byte)),
                             scale);
    };
    const __m256 a = channel(24);
    storePixels(row, _mm256_mul_ps(channel(0), a), _mm256_mul_ps(channel(8), a),
                _mm256_mul_ps(channel(16), a), a, mask);
}

template <bool Packed>
inline void writeTexels(Vec4* row, const Vec4* texels, const uint32_t* packed,
                        const int32_t index[BLOCK_SIZE], uint32_t mask) {
    if constexpr (Packed) {
        packedTexels(row, packed, index, mask);
    } else {
        for (; mask != 0; mask &= mask - 1) {
            const int32_t i = __builtin_ctz(mask);
            row[i] = texels[index[i]];
        }
    }
}

} // namespace avx2

namespace avx2_path {
namespace lanes = raster::avx2;
constexpr KernelPath PATH = KernelPath::Avx2;
#include "render/rasterize_path.inc"
} // namespace avx2_path

const PathKernels AVX2_KERNELS = avx2_path::KERNELS;

} // namespace tessellune::raster

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
