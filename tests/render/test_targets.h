// Test helpers: owned colour and depth targets, and reading them back.
#pragma once

#include <cstdint>

#include "render/image.h"

namespace tessellune::testing {

struct Targets {
    FloatImage colour;
    DepthImage depth;

    Targets(int32_t width, int32_t height) {
        createFloatImage(colour, width, height);
        createDepthImage(depth, width, height);
    }
    ~Targets() {
        releaseFloatImage(colour);
        releaseDepthImage(depth);
    }
    Targets(const Targets&) = delete;
    Targets& operator=(const Targets&) = delete;

    int32_t width() const { return colour.width; }
    int32_t height() const { return colour.height; }
    const Vec4& at(int32_t x, int32_t y) const { return colour.pixels[y * colour.width + x]; }
    int32_t depthAt(int32_t x, int32_t y) const {
        return static_cast<int32_t>(depth.pixels[y * depth.width + x]);
    }
};

inline Vec4 screenPoint(float x, float y, float z = 0.0f) {
    return {x, y, z, 1.0f};
}

} // namespace tessellune::testing
