// The rasterizers' brute-force coverage oracle: one pixel tested on its own, in 64-bit integers.
//
// Conventions as in render/rasterize.h: corners snapped to 1/16 pixel (nearest, ties to even),
// pixel (x, y) sampled at the point (x, y), top-left fill rule, only counter-clockwise faces (on
// the y-down screen) cover pixels. Shared by the coverage tests and the kernel-path fuzzer.
#pragma once

#include <cmath>
#include <cstdint>

#include "math/vec4.h"
#include "render/limits.h"

namespace tessellune::testing {

inline bool oracleCovers(const Vec4 p[3], int32_t px, int32_t py) {
    int64_t X[3], Y[3];
    for (int k = 0; k < 3; ++k) {
        X[k] = static_cast<int64_t>(std::nearbyint(p[k].x * 16.0f));
        Y[k] = static_cast<int64_t>(std::nearbyint(p[k].y * 16.0f));
    }
    for (int k = 0; k < 3; ++k) {
        const int i = k;
        const int j = (k + 1) % 3;
        const int64_t dx = X[i] - X[j];
        const int64_t dy = Y[i] - Y[j];
        int64_t e = dx * (16 * py - Y[i]) - dy * (16 * px - X[i]);
        if (dy < 0 || (dy == 0 && dx > 0)) {
            e += 1;
        }
        if (e <= 0) {
            return false;
        }
    }
    return true;
}

// True when the rasterizers draw the face at all: corners inside the exact range, and a
// floating-point signed area that is not zero (such faces are skipped before setup).
inline bool oracleDraws(const Vec4 p[3]) {
    for (int k = 0; k < 3; ++k) {
        if (!(std::fabs(p[k].x) < MAX_SCREEN_COORDINATE) || !(std::fabs(p[k].y) < MAX_SCREEN_COORDINATE)) {
            return false;
        }
    }
    return (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y) != 0.0f;
}

} // namespace tessellune::testing
