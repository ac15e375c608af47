// Chooses the four-lane instruction set (SSE where the compiler targets it, plain C++ otherwise), and
// whether the eight-lane (AVX2) kernels, chosen at run time, are compiled in at all.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TESSELLUNE_SSE 1
#include <emmintrin.h>
#else
#define TESSELLUNE_SSE 0
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
