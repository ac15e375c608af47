// Draws the textures and the particle picture pixel by pixel.
#include "tools/datagen/textures.h"

#include <algorithm>
#include <cmath>

namespace tessellune::datagen {

namespace {

constexpr double PI = 3.14159265358979323846;

struct Colour {
    double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scaled(Colour c, double s) {
    return {c.r * s, c.g * s, c.b * s};
}

Rgba opaque(Colour c) {
    return {toByte(c.r), toByte(c.g), toByte(c.b), 255};
}

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

RgbaImage makeParticlePicture() {
    RgbaImage image = makeImage(PICTURE_WIDTH, PICTURE_HEIGHT, {255, 255, 255, 255});
    // The medallion sits one pixel left of and two above the centre, where the picture camera aims.
    const double mx = 23.0, my = 18.0, radius = 17.5;
    const Colour nightTop{0.05, 0.06, 0.25}, nightLow{0.35, 0.12, 0.45};
    const Colour moonLight{1.0, 0.93, 0.55}, moonShade{0.95, 0.6, 0.2};
    const Colour rim{0.45, 0.85, 1.0};
    const double stars[][3] = {{14, 8, 1.0},  {31, 9, 0.8}, {36, 16, 1.0},
                               {11, 17, 0.7}, {27, 5, 0.6}, {35, 25, 0.6}};
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        for (int x = 0; x < PICTURE_WIDTH; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double d = std::hypot(px - mx, py - my);
            if (d > radius) {
                continue;
            }
            Colour c = mix(nightTop, nightLow, (py - (my - radius)) / (2.0 * radius));
            for (const auto& s : stars) {
                // A bright centre pixel with dimmer arms.
                const double sd = std::fabs(px - s[0] - 0.5) + std::fabs(py - s[1] - 0.5);
                if (sd < 1.5) {
                    c = mix(c, {1.0, 1.0, 0.8}, sd < 0.5 ? 1.0 : 0.55 * s[2]);
                }
            }
            // Crescent: a disc with a second, shifted disc taken out of it.
            const double moon = std::hypot(px - 21.0, py - 15.0);
            const double bite = std::hypot(px - 25.0, py - 11.5);
            if (moon < 9.5 && bite > 7.5) {
                c = mix(moonLight, moonShade, (px - 12.0) / 14.0 + (py - 8.0) / 30.0);
            }
            // Dunes along the bottom, in the colours of the dune scenes.
            const double dune = my + 8.0 + 2.2 * std::sin(px * 0.33) + 1.2 * std::sin(px * 0.9 + 1.0);
            if (py > dune) {
                c = mix({0.93, 0.61, 0.1}, {0.55, 0.25, 0.05}, (py - dune) / 6.0 + 0.3 * std::sin(px * 0.7));
            }
            if (d > radius - 1.6) {
                c = rim;
            }
            Rgba pixel = opaque(c);
            if (pixel.r == 255 && pixel.g == 255 && pixel.b == 255) {
                pixel.b = 254; // inside the medallion every pixel is a particle
            }
            image.set(x, y, pixel);
        }
    }
    return image;
}

} // namespace tessellune::datagen
