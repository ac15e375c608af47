// Draws the textures pixel by pixel.
#include "tools/datagen/textures.h"

#include <algorithm>
#include <cmath>

#include "tools/datagen/colour.h"

namespace tessellune::datagen {

namespace {

Colour hue(double h) {
    h -= std::floor(h);
    const double r = std::clamp(std::fabs(h * 6.0 - 3.0) - 1.0, 0.0, 1.0);
    const double g = std::clamp(2.0 - std::fabs(h * 6.0 - 2.0), 0.0, 1.0);
    const double b = std::clamp(2.0 - std::fabs(h * 6.0 - 4.0), 0.0, 1.0);
    return {r, g, b};
}

// A small integer hash, so cell colours are fixed by their coordinates.
double cellNoise(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xffff) / 65535.0;
}

// Distance to the nearest edge of a hexagon cell, on a lattice that repeats across [0, 1)^2:
// 7 cells across and 8 rows down, very nearly regular. Returns the cell id through cx, cy.
double hexEdgeDistance(double u, double v, int& cx, int& cy) {
    constexpr double ax = 1.0 / 7.0, bx = 1.0 / 14.0, by = 1.0 / 8.0;
    double best = 1e9, second = 1e9;
    const int row = static_cast<int>(std::floor(v / by));
    for (int j = row - 1; j <= row + 1; ++j) {
        const double shift = j * bx;
        const int column = static_cast<int>(std::floor((u - shift) / ax));
        for (int i = column - 1; i <= column + 2; ++i) {
            const double px = i * ax + shift;
            const double py = j * by;
            const double d = std::hypot(u - px, v - py);
            if (d < best) {
                second = best;
                best = d;
                cx = i;
                cy = j;
            } else if (d < second) {
                second = d;
            }
        }
    }
    return (second - best) * 0.5;
}

} // namespace

RgbaImage makeColorsTexture() {
    constexpr int size = 512;
    constexpr int cells = 8; // triangles in a square cell pair, 8 x 8 squares
    RgbaImage image = makeImage(size, size, {});
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = static_cast<double>(x) / size * cells;
            const double v = static_cast<double>(y) / size * cells;
            const int i = static_cast<int>(u), j = static_cast<int>(v);
            const double fu = u - i, fv = v - j;
            const bool upper = fu + fv < 1.0; // each square splits into two triangles
            const int id = (j * cells + i) * 2 + (upper ? 0 : 1);
            const double edge = std::min({fu, fv, 1.0 - fu, 1.0 - fv, std::fabs(1.0 - fu - fv) * 0.7071});
            Colour c = hue(0.07 * id + 0.35 * cellNoise(i, j + (upper ? 0 : 97)));
            c = mix(c, {1, 1, 1}, 0.15);
            const double bevel = std::clamp(edge * 14.0, 0.0, 1.0);
            c = scaled(c, 0.35 + 0.65 * bevel);
            image.set(x, y, opaque(c));
        }
    }
    return image;
}

RgbaImage makeEnvironmentTexture() {
    constexpr int size = 256;
    RgbaImage image = makeImage(size, size, {});
    const Colour sky{0.35, 0.6, 1.0}, zenith{0.85, 0.95, 1.0}, ground{0.55, 0.3, 0.12},
        horizon{1.0, 0.85, 0.55};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // (nx, ny) of a unit sphere seen from the front; outside the disc, the rim colour.
            double nx = (x + 0.5) / size * 2.0 - 1.0;
            double ny = 1.0 - (y + 0.5) / size * 2.0;
            double r2 = nx * nx + ny * ny;
            if (r2 > 0.999) {
                const double r = std::sqrt(r2 / 0.999);
                nx /= r;
                ny /= r;
                r2 = 0.999;
            }
            const double nz = std::sqrt(1.0 - r2);
            // Reflect the view ray (0, 0, -1) about the normal: the direction the ball mirrors.
            const double ry = 2.0 * nz * ny;
            Colour c = ry > 0.0 ? mix(mix(horizon, sky, ry * 3.0), zenith, (ry - 0.5) * 2.0)
                                : mix(horizon, ground, -ry * 4.0);
            // A soft key light from the upper left.
            const double lx = -0.45, ly = 0.6, lz = 0.66;
            const double d = std::max(0.0, nx * lx + ny * ly + nz * lz);
            const double highlight = std::pow(d, 40.0);
            c = mix(scaled(c, 0.55 + 0.45 * d), {1, 1, 1}, highlight);
            image.set(x, y, opaque(c));
        }
    }
    return image;
}

RgbaImage makeOpenFloorTexture() {
    constexpr int size = 256;
    RgbaImage image = makeImage(size, size, {});
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int cx = 0, cy = 0;
            const double edge = hexEdgeDistance((x + 0.5) / size, (y + 0.5) / size, cx, cy);
            const double glow = std::exp(-edge * 260.0) + 0.5 * std::exp(-edge * 60.0);
            const double tint = cellNoise(((cx % 7) + 7) % 7, ((cy % 8) + 8) % 8);
            Colour plate = mix({0.02, 0.03, 0.08}, {0.07, 0.04, 0.12}, tint);
            Colour c = mix(plate, {0.3, 0.8, 1.0}, glow);
            image.set(x, y, opaque(c));
        }
    }
    return image;
}

RgbaImage makeTealFloorTexture() {
    constexpr int size = 256;
    constexpr int tiles = 4;
    RgbaImage image = makeImage(size, size, {});
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = static_cast<double>(x) / size * tiles;
            const double v = static_cast<double>(y) / size * tiles;
            const double fu = u - std::floor(u), fv = v - std::floor(v);
            const double edge = std::min({fu, fv, 1.0 - fu, 1.0 - fv});
            const double shade = cellNoise(static_cast<int>(u), static_cast<int>(v));
            Colour c = mix({0.0, 0.28, 0.3}, {0.05, 0.42, 0.42}, shade);
            c = mix({0.0, 0.1, 0.12}, c, std::clamp(edge * 30.0, 0.0, 1.0));
            image.set(x, y, opaque(c));
        }
    }
    return image;
}

} // namespace tessellune::datagen
