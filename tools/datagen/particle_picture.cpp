// Draws the particle picture pixel by pixel: sky, moon, stars, dunes, camels and the frame.
#include "tools/datagen/particle_picture.h"

#include <cmath>

#include "tools/datagen/colour.h"

namespace tessellune::datagen {

namespace {

// The framed scene: 64 x 48 pixels (4:3, the screen's shape) at (1, 1) of the picture. It is drawn
// in design units of 68 x 51, DESIGN units to the pixel, so the shapes keep their proportions.
constexpr int SCENE_X = 1, SCENE_Y = 1;
constexpr int SCENE_PIXELS_W = 64, SCENE_PIXELS_H = 48;
constexpr double DESIGN = 68.0 / 64.0;
constexpr double SCENE_W = SCENE_PIXELS_W * DESIGN, SCENE_H = SCENE_PIXELS_H * DESIGN;
constexpr double CORNER_RADIUS = 7.0;
constexpr double RIM_WIDTH = 1.6;

// Signed distance from (u, v) to the edge of the rounded frame, negative inside.
double frameDistance(double u, double v) {
    const double hx = SCENE_W / 2 - CORNER_RADIUS, hy = SCENE_H / 2 - CORNER_RADIUS;
    const double qx = std::fabs(u - SCENE_W / 2) - hx, qy = std::fabs(v - SCENE_H / 2) - hy;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - CORNER_RADIUS;
}

// The three ridges' crest lines, in rows from the top of the scene (larger is lower).
double farRidge(double u) {
    return 33.0 + 1.8 * std::sin(0.17 * u + 0.5) + 1.0 * std::sin(0.41 * u + 2.0);
}
double middleRidge(double u) {
    return 38.0 + 3.0 * std::sin(0.12 * u + 2.2) + 1.2 * std::sin(0.31 * u + 0.4);
}
double frontRidge(double u) {
    return 45.0 + 2.5 * std::sin(0.10 * u + 4.0) + 1.0 * std::sin(0.27 * u + 1.3);
}

// Sand below a crest: lit where the slope faces the moon (on the right), darker further down,
// with faint wind ripples.
Colour sand(double (*ridge)(double), double u, double v, Colour lit, Colour shade) {
    const double slope = (ridge(u + 0.5) - ridge(u - 0.5));
    Colour c = mix(shade, lit, 0.5 + 1.5 * slope);
    c = mix(c, shade, (v - ridge(u)) / 9.0);
    return scaled(c, 1.0 + 0.06 * std::sin(1.3 * u + 2.6 * v));
}

Colour sky(double u, double v) {
    const Colour top{0.03, 0.04, 0.20}, middle{0.16, 0.08, 0.36}, horizon{0.62, 0.26, 0.42};
    Colour c = v < 20.0 ? mix(top, middle, v / 20.0) : mix(middle, horizon, (v - 20.0) / 14.0);
    // The moon's halo.
    const double d = std::hypot(u - 49.0, v - 13.0);
    const double glow = std::max(0.0, 1.0 - d / 16.0);
    return mix(c, {0.42, 0.40, 0.62}, 0.7 * glow * glow);
}

struct Star {
    double u, v, brightness;
};
constexpr Star STARS[] = {{6, 5, 1.0},  {14, 9, 0.7},  {21, 4, 1.0},  {27, 12, 0.6}, {34, 6, 0.9},
                          {8, 16, 0.6}, {31, 20, 0.5}, {62, 25, 0.7}, {60, 3, 0.8},  {18, 21, 0.5},
                          {41, 3, 0.6}, {3, 26, 0.5},  {25, 27, 0.4}, {38, 25, 0.5}, {65, 14, 0.6}};

// Camels walking left, head first; '#' is the silhouette.
constexpr int CAMEL_W = 11, CAMEL_H = 8;
constexpr const char* CAMEL[CAMEL_H] = {
    ".##........", //
    "####.......", //
    "..##..##...", //
    "...#.####..", //
    "...#######.", //
    "...########", //
    "...#.#..#.#", //
    "...#.#..#.#", //
};
constexpr int CARAVAN[] = {7, 19, 31}; // each camel's left pixel column

bool camelAt(int x, int y) {
    for (int left : CARAVAN) {
        const int cx = x - left;
        if (cx < 0 || cx >= CAMEL_W) {
            continue;
        }
        // Feet stand on the middle crest below the camel's middle.
        const double middle = (left + CAMEL_W / 2.0 + 0.5) * DESIGN;
        const int feet = static_cast<int>(std::floor(middleRidge(middle) / DESIGN));
        const int cy = y - (feet - CAMEL_H + 1);
        if (cy >= 0 && cy < CAMEL_H && CAMEL[cy][cx] == '#') {
            return true;
        }
    }
    return false;
}

Colour scenePixel(int x, int y) {
    const double u = (x + 0.5) * DESIGN, v = (y + 0.5) * DESIGN;
    Colour c = sky(u, v);
    for (const Star& s : STARS) {
        // A bright centre pixel; the brightest stars get dimmer arms.
        const double d = std::fabs(x - std::floor(s.u / DESIGN)) + std::fabs(y - std::floor(s.v / DESIGN));
        if (d < 0.5) {
            c = mix(c, {1.0, 1.0, 0.8}, 0.4 + 0.6 * s.brightness);
        } else if (d < 1.5 && s.brightness >= 0.9) {
            c = mix(c, {1.0, 1.0, 0.8}, 0.5);
        }
    }
    // Crescent: a disc with a second, shifted disc taken out of it, lit on its lower left.
    if (std::hypot(u - 49.0, v - 13.0) < 9.5 && std::hypot(u - 53.5, v - 9.5) > 8.0) {
        c = mix({1.0, 0.95, 0.62}, {0.95, 0.62, 0.22}, (u - 40.0) / 16.0 + (v - 4.0) / 40.0);
    }
    if (v > farRidge(u)) {
        c = mix({0.30, 0.11, 0.25}, {0.20, 0.08, 0.18}, (v - farRidge(u)) / 6.0);
    }
    if (camelAt(x, y)) {
        c = {0.05, 0.02, 0.07};
    }
    if (v > middleRidge(u)) {
        c = sand(middleRidge, u, v, {0.90, 0.50, 0.13}, {0.50, 0.21, 0.08});
    }
    if (v > frontRidge(u)) {
        c = sand(frontRidge, u, v, {1.0, 0.72, 0.24}, {0.62, 0.30, 0.07});
    }
    return c;
}

} // namespace

RgbaImage makeParticlePicture() {
    RgbaImage image = makeImage(PICTURE_WIDTH, PICTURE_HEIGHT, {255, 255, 255, 255});
    for (int y = 0; y < SCENE_PIXELS_H; ++y) {
        for (int x = 0; x < SCENE_PIXELS_W; ++x) {
            const double edge = frameDistance((x + 0.5) * DESIGN, (y + 0.5) * DESIGN);
            if (edge > 0.0) {
                continue;
            }
            Rgba pixel = opaque(edge > -RIM_WIDTH ? Colour{0.45, 0.85, 1.0} : scenePixel(x, y));
            if (pixel.r == 255 && pixel.g == 255 && pixel.b == 255) {
                pixel.b = 254; // inside the frame every pixel is a particle
            }
            image.set(SCENE_X + x, SCENE_Y + y, pixel);
        }
    }
    return image;
}

} // namespace tessellune::datagen
