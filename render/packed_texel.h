// A texel as loaded, 8 bits a channel in one 32-bit word, and the premultiplied float texel it gives.
//
// Conventions: the word holds r in bits 0-7, g in 8-15, b in 16-23 and a in 24-31, not
// premultiplied. Each channel c stands for c / 255 (single precision, correctly rounded: for every
// byte the same float as c x (1/255) in double rounded once), and r, g and b are then multiplied by
// a in single precision: the float texels the texture loader makes, bit for bit.
#pragma once

#include <cstdint>

#include "math/vec4.h"

namespace tessellune {

inline uint32_t packTexel(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24;
}

namespace scalar {

inline Vec4 unpackTexel(uint32_t texel) {
    const auto channel = [texel](int shift) { return static_cast<float>((texel >> shift) & 0xffu) / 255.0f; };
    const float a = channel(24);
    return {channel(0) * a, channel(8) * a, channel(16) * a, a};
}

} // namespace scalar

#if TESSELLUNE_SSE

// The same quotients and products four lanes at a time: alpha's lane is multiplied by 1.
inline __m128 unpackTexelLanes(uint32_t texel) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_cvtsi32_si128(static_cast<int32_t>(texel));
    const __m128i words = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
    const __m128 value = _mm_div_ps(_mm_cvtepi32_ps(words), _mm_set1_ps(255.0f));
    const __m128 alpha = _mm_shuffle_ps(value, value, _MM_SHUFFLE(3, 3, 3, 3));
    const __m128 colourLanes = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
    const __m128 factor = _mm_or_ps(_mm_and_ps(colourLanes, alpha), _mm_set_ps(1.0f, 0.0f, 0.0f, 0.0f));
    return _mm_mul_ps(value, factor);
}

inline Vec4 unpackTexel(uint32_t texel) {
    return store(unpackTexelLanes(texel));
}

#else

using scalar::unpackTexel;

#endif

} // namespace tessellune
