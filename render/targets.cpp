// Aligned allocation of colour and depth targets.
#include "render/targets.h"

#include <cstdlib>
#include <cstring>

namespace tessellune {

namespace {

void* allocateCleared(int32_t width, int32_t height, size_t pixelBytes) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    const size_t bytes =
        (static_cast<size_t>(width) * static_cast<size_t>(height) * pixelBytes + 15) & ~size_t(15);
    void* pixels = std::aligned_alloc(16, bytes);
    if (pixels != nullptr) {
        std::memset(pixels, 0, bytes);
    }
    return pixels;
}

} // namespace

bool createFloatImage(FloatImage& image, int32_t width, int32_t height) {
    image = FloatImage{};
    image.pixels = static_cast<Vec4*>(allocateCleared(width, height, sizeof(Vec4)));
    if (image.pixels == nullptr) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.ownsPixels = true;
    return true;
}

void releaseFloatImage(FloatImage& image) {
    if (image.ownsPixels) {
        std::free(image.pixels);
    }
    image = FloatImage{};
}

bool createDepthImage(DepthImage& image, int32_t width, int32_t height) {
    image = DepthImage{};
    image.pixels = static_cast<uint32_t*>(allocateCleared(width, height, sizeof(uint32_t)));
    if (image.pixels == nullptr) {
        return false;
    }
    image.width = width;
    image.height = height;
    return true;
}

void releaseDepthImage(DepthImage& image) {
    std::free(image.pixels);
    image = DepthImage{};
}

} // namespace tessellune
