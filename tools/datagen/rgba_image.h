// An 8-bit RGBA picture as the data generator draws it, before it is written as a PNG.
//
// Conventions: rows from the top of the picture down, four bytes per pixel in the order red,
// green, blue, alpha; alpha is straight (not premultiplied), as PNG stores it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessellune::datagen {

struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
};

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width * height * 4 bytes

    Rgba at(int x, int y) const {
        const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    void set(int x, int y, Rgba c) {
        uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        p[3] = c.a;
    }
};

RgbaImage makeImage(int width, int height, Rgba fill);

// A channel value in [0, 1] (clamped) as a byte, rounding to nearest.
uint8_t toByte(double value);

} // namespace tessellune::datagen
