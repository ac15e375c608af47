// Allocation of colour and depth targets.
#include "render/image.h"

#include <cstring>
#include <new>

namespace tessellune {

namespace {

constexpr std::align_val_t DEPTH_ALIGNMENT{16};

size_t pixelCount(int32_t width, int32_t height) {
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

} // namespace

bool createFloatImage(FloatImage& image, int32_t width, int32_t height) {
    image = FloatImage{};
    if (width <= 0 || height <= 0) {
        return false;
    }
    // new[] of the 16-byte aligned Vec4, like the texture loader's images, so that either release
    // function frees what the other allocated.
    image.pixels = new (std::nothrow) Vec4[pixelCount(width, height)];
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
        delete[] image.pixels;
    }
    image = FloatImage{};
}

bool createDepthImage(DepthImage& image, int32_t width, int32_t height) {
    image = DepthImage{};
    if (width <= 0 || height <= 0) {
        return false;
    }
    const size_t bytes = pixelCount(width, height) * sizeof(uint32_t);
    image.pixels = static_cast<uint32_t*>(::operator new[](bytes, DEPTH_ALIGNMENT, std::nothrow));
    if (image.pixels == nullptr) {
        return false;
    }
    std::memset(image.pixels, 0, bytes);
    image.width = width;
    image.height = height;
    return true;
}

void releaseDepthImage(DepthImage& image) {
    if (image.pixels != nullptr) {
        ::operator delete[](image.pixels, DEPTH_ALIGNMENT);
    }
    image = DepthImage{};
}

} // namespace tessellune
