// The choice of kernel path: what this build and processor offer, the start-up choice and overrides.
#include "render/kernel_path.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "render/rasterize_paths.h"

namespace tessellune {

namespace {

// Null until the first rasterizer call (or setKernelPath) chooses. Relaxed loads suffice: the
// tables are constants, fixed before the program starts.
std::atomic<const raster::PathKernels*> active{nullptr};

bool processorHasAvx2() {
#if TESSELLUNE_AVX2
    // The run-time library's check includes the operating system's saving of the 256-bit registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

const raster::PathKernels* chooseAtStart() {
    KernelPath path = KernelPath::Scalar;
    for (const KernelPath candidate : ALL_KERNEL_PATHS) {
        if (kernelPathAvailable(candidate)) {
            path = candidate; // the list runs from narrowest to widest
        }
    }
    KernelPath wanted;
    const char* name = std::getenv("TESSELLUNE_KERNELS");
    if (name != nullptr && parseKernelPath(name, wanted) && kernelPathAvailable(wanted)) {
        path = wanted;
    }
    return raster::pathKernels(path);
}

} // namespace

namespace raster {

const PathKernels* pathKernels(KernelPath path) {
    switch (path) {
    case KernelPath::Scalar:
        return &SCALAR_KERNELS;
    case KernelPath::Sse2:
#if TESSELLUNE_SSE
        return &SSE2_KERNELS;
#else
        return nullptr;
#endif
    case KernelPath::Avx2:
#if TESSELLUNE_AVX2
        return &AVX2_KERNELS;
#else
        return nullptr;
#endif
    }
    return nullptr;
}

const PathKernels& activeKernels() {
    const PathKernels* kernels = active.load(std::memory_order_relaxed);
    if (kernels == nullptr) {
        // Threads that race here make the same choice; the first one's stands.
        const PathKernels* chosen = chooseAtStart();
        kernels =
            active.compare_exchange_strong(kernels, chosen, std::memory_order_relaxed) ? chosen : kernels;
    }
    return *kernels;
}

} // namespace raster

bool kernelPathAvailable(KernelPath path) {
    if (raster::pathKernels(path) == nullptr) {
        return false;
    }
    if (path == KernelPath::Avx2) {
        static const bool hasAvx2 = processorHasAvx2();
        return hasAvx2;
    }
    return true;
}

bool setKernelPath(KernelPath path) {
    if (!kernelPathAvailable(path)) {
        return false;
    }
    active.store(raster::pathKernels(path), std::memory_order_relaxed);
    return true;
}

KernelPath activeKernelPath() {
    return raster::activeKernels().path;
}

const char* kernelPathName(KernelPath path) {
    switch (path) {
    case KernelPath::Scalar:
        return "scalar";
    case KernelPath::Sse2:
        return "sse2";
    case KernelPath::Avx2:
        return "avx2";
    }
    return "unknown";
}

bool parseKernelPath(const char* name, KernelPath& path) {
    for (const KernelPath candidate : ALL_KERNEL_PATHS) {
        if (std::strcmp(name, kernelPathName(candidate)) == 0) {
            path = candidate;
            return true;
        }
    }
    return false;
}

} // namespace tessellune
