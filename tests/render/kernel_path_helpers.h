// Test helpers: the kernel paths this build and processor can run, and putting the choice back.
#pragma once

#include <vector>

#include "render/kernel_path.h"

namespace tessellune::testing {

// Scalar first: the twin the others are held to.
inline std::vector<KernelPath> availableKernelPaths() {
    std::vector<KernelPath> paths;
    for (const KernelPath path : ALL_KERNEL_PATHS) {
        if (kernelPathAvailable(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

// Restores the path that was active when it was made.
class KernelPathScope {
public:
    KernelPathScope() : saved_(activeKernelPath()) {}
    ~KernelPathScope() { setKernelPath(saved_); }
    KernelPathScope(const KernelPathScope&) = delete;
    KernelPathScope& operator=(const KernelPathScope&) = delete;

private:
    KernelPath saved_;
};

} // namespace tessellune::testing
