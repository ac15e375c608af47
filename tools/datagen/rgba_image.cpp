// Small helpers for the generator's 8-bit pictures.
#include "tools/datagen/rgba_image.h"

#include <cmath>

namespace tessellune::datagen {

RgbaImage makeImage(int width, int height, Rgba fill) {
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        image.pixels[i] = fill.r;
        image.pixels[i + 1] = fill.g;
        image.pixels[i + 2] = fill.b;
        image.pixels[i + 3] = fill.a;
    }
    return image;
}

uint8_t toByte(double value) {
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 1.0) {
        return 255;
    }
    return static_cast<uint8_t>(std::lround(value * 255.0));
}

} // namespace tessellune::datagen
