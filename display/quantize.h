// Float colour channel to an n-bit integer by truncation, one value or four at a time.
//
// Conventions: negative values (and -0.0, negative NaNs) give 0; values whose bits, read as a
// signed integer, are at least 0x3f7fffff (0.99999994 and up, +infinity, positive NaNs) give
// 2^n - 1; everything else gives the top n bits of the fraction of x + 1.0f. The four-lane form
// computes exactly the same bits as the scalar one.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define SCANOUT_SSE 1
#include <emmintrin.h>
#else
#define SCANOUT_SSE 0
#endif

namespace Scanout {

inline std::uint32_t quantize(float x, int bits) {
    std::int32_t pattern;
    std::memcpy(&pattern, &x, sizeof pattern);
    if (pattern < 0) {
        return 0;
    }
    const std::uint32_t full = (1u << bits) - 1u;
    if (pattern >= 0x3f7fffff) {
        return full;
    }
    const float shifted = x + 1.0f;
    std::uint32_t fraction;
    std::memcpy(&fraction, &shifted, sizeof fraction);
    return (fraction & 0x7fffffu) >> (23 - bits);
}

#if SCANOUT_SSE
using Lanes4 = __m128i;
using Floats4 = __m128;

inline Lanes4 quantize4(Floats4 x, int bits) {
    const __m128i pattern = _mm_castps_si128(x);
    const __m128i negative = _mm_srai_epi32(pattern, 31);
    const __m128i cleared = _mm_andnot_si128(negative, pattern);
    const __m128i full = _mm_set1_epi32(static_cast<int>((1u << bits) - 1u));
    const __m128i saturated = _mm_cmpgt_epi32(cleared, _mm_set1_epi32(0x3f7ffffe));
    const __m128 shifted = _mm_add_ps(_mm_castsi128_ps(cleared), _mm_set1_ps(1.0f));
    const __m128i fraction = _mm_and_si128(_mm_castps_si128(shifted), _mm_set1_epi32(0x7fffff));
    const __m128i top = _mm_srl_epi32(fraction, _mm_cvtsi32_si128(23 - bits));
    return _mm_or_si128(_mm_andnot_si128(saturated, top), _mm_and_si128(saturated, full));
}
#else
struct alignas(16) Lanes4 {
    std::uint32_t lane[4];
};
struct alignas(16) Floats4 {
    float lane[4];
};

inline Lanes4 quantize4(Floats4 x, int bits) {
    Lanes4 result;
    for (int i = 0; i < 4; ++i) {
        result.lane[i] = quantize(x.lane[i], bits);
    }
    return result;
}
#endif

// Four-lane helpers used by tests and converters so callers need not know the instruction set.
inline Floats4 loadFloats4(const float* values) {
#if SCANOUT_SSE
    return _mm_loadu_ps(values);
#else
    Floats4 result;
    std::memcpy(result.lane, values, sizeof result.lane);
    return result;
#endif
}

inline void storeLanes4(std::uint32_t* out, Lanes4 lanes) {
#if SCANOUT_SSE
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lanes);
#else
    std::memcpy(out, lanes.lane, sizeof lanes.lane);
#endif
}

} // namespace Scanout
