// Chooses the four-lane instruction set: SSE where the compiler targets it, plain C++ otherwise.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TESSELLUNE_SSE 1
#include <emmintrin.h>
#else
#define TESSELLUNE_SSE 0
#endif
