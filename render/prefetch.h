// Asking for a cache line ahead of its use, where the order of use scatters reads over a buffer.
//
// Conventions: a hint only; the address need not be valid (a prefetch never faults), and where
// the instruction set has no prefetch it does nothing.
#pragma once

#include "math/simd.h"

namespace tessellune {

inline void prefetch(const void* address) {
#if TESSELLUNE_SSE && defined(__GNUC__) && !defined(__EMSCRIPTEN__) // WebAssembly has no prefetch
    // As an instruction the optimiser keeps: it drops the builtin as dead code in the band loop.
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
    (void)address;
#endif
}

} // namespace tessellune
