// Which instruction set the rasterizers' per-row kernels run on, chosen once at run time.
//
// Conventions: every path draws the same pixels and depths bit for bit; the choice is only about
// speed. Scalar is always present; SSE2 wherever the build targets it (every x86 build); AVX2 only
// in x86-64 builds for Linux-like hosts, and only on a processor that has it. The first rasterizer
// call takes the best available path, or the one named by the environment variable
// TESSELLUNE_KERNELS ("scalar", "sse2" or "avx2") when that one is available. Changing the path
// while bands are being rendered is allowed (each face is drawn wholly on one path) but tests and
// benchmarks change it only between frames.
#pragma once

namespace tessellune {

enum class KernelPath { Scalar, Sse2, Avx2 };

inline constexpr KernelPath ALL_KERNEL_PATHS[] = {KernelPath::Scalar, KernelPath::Sse2, KernelPath::Avx2};

// True when this build has the path and this processor can run it.
bool kernelPathAvailable(KernelPath path);

// Makes `path` the one every later rasterizer call uses; false (and nothing changed) when it is
// not available.
bool setKernelPath(KernelPath path);

KernelPath activeKernelPath();

// "scalar", "sse2", "avx2".
const char* kernelPathName(KernelPath path);

// The path a name stands for; false for an unknown name.
bool parseKernelPath(const char* name, KernelPath& path);

} // namespace tessellune
