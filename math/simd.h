// Chooses the four-lane instruction set (SSE where the compiler targets it, plain C++ otherwise), and
// whether the eight-lane (AVX2) kernels, chosen at run time, are compiled in at all.
//
// Conventions: the browser build with WebAssembly SIMD (-msimd128 -msse2) takes the SSE paths
// through emscripten's SSE headers, which map each intrinsic onto WebAssembly SIMD with the x86
// results; where such a mapping goes lane by lane through the C library, a helper here does the
// same work in WebAssembly SIMD instructions, with the same bits.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TESSELLUNE_SSE 1
#include <emmintrin.h>
#if defined(__EMSCRIPTEN__)
#include <wasm_simd128.h>
#endif
#else
#define TESSELLUNE_SSE 0
#endif

#if TESSELLUNE_SSE
#include <cstdint>

namespace tessellune {

// Four floats to the nearest integers, ties to even (the processor's default rounding), as
// _mm_cvtps_epi32 gives them: a lane at or beyond 2^31 in size, or NaN, gives INT32_MIN.
inline __m128i roundToInt4(__m128 v) {
#if defined(__EMSCRIPTEN__)
    // The saturating conversion already gives INT32_MIN below the range; above it and for NaN it
    // gives INT32_MAX and 0, which are replaced.
    const v128_t lanes = (v128_t)v;
    const v128_t rounded = wasm_i32x4_trunc_sat_f32x4(wasm_f32x4_nearest(lanes));
    const v128_t invalid =
        wasm_v128_or(wasm_f32x4_ge(lanes, wasm_f32x4_splat(2147483648.0f)), wasm_f32x4_ne(lanes, lanes));
    return (__m128i)wasm_v128_bitselect(wasm_i32x4_splat(INT32_MIN), rounded, invalid);
#else
    return _mm_cvtps_epi32(v);
#endif
}

} // namespace tessellune
#endif

// The AVX2 kernels are functions compiled for that target inside an otherwise SSE2 build, used only
// when the processor reports AVX2. Only 64-bit x86 builds for Linux-like hosts have them: the 32-bit
// Windows program and the browser build keep the four-lane and scalar paths, and mingw-w64's gcc does
// not realign the stack for 32-byte AVX values it spills, so no Windows build has them either.
#if TESSELLUNE_SSE && defined(__x86_64__) && !defined(_WIN32) && !defined(__EMSCRIPTEN__) &&                 \
    (defined(__GNUC__) || defined(__clang__))
#define TESSELLUNE_AVX2 1
#else
#define TESSELLUNE_AVX2 0
#endif
