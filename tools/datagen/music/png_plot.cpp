// PNG writing (zlib) and the drawing of the soundtrack's analysis picture.
#include "tools/datagen/music/png_plot.h"

#include "tools/common/png_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessellune {
namespace {

// Dark blue through purple and orange to pale yellow as the value goes 0 -> 1.
void heat(float value, uint8_t* rgb) {
    value = std::clamp(value, 0.0f, 1.0f);
    rgb[0] = uint8_t(255.0f * std::sqrt(value));
    rgb[1] = uint8_t(255.0f * value * value);
    rgb[2] = uint8_t(255.0f * std::clamp(0.3f + 0.8f * value - 1.1f * value * value, 0.0f, 1.0f));
}

} // namespace

bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string& error) {
    if (width <= 0 || height <= 0 || rgb.size() != size_t(width) * size_t(height) * 3) {
        error = path + ": image size does not match its pixels";
        return false;
    }
    std::vector<uint8_t> rgba;
    rgba.reserve(rgb.size() / 3 * 4);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgba.insert(rgba.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
    }
    return tools::writePngRgba(path, width, height, rgba, error);
}

std::vector<uint8_t> drawAnalysis(const std::vector<float>& spectrum, int columns, int bands,
                                  const std::vector<int16_t>& pcm, const std::vector<int>& markers,
                                  int& height) {
    const int stripHeight = 120;
    height = bands + stripHeight;
    std::vector<uint8_t> rgb(size_t(columns) * size_t(height) * 3, 0);
    auto pixel = [&](int x, int y) { return &rgb[(size_t(y) * size_t(columns) + size_t(x)) * 3]; };
    for (int x = 0; x < columns; ++x)
        for (int b = 0; b < bands; ++b)
            heat((spectrum[size_t(x) * size_t(bands) + size_t(b)] + 90.0f) / 90.0f, pixel(x, bands - 1 - b));
    // The strip: peak (grey) and RMS (green) per column on a -48..0 dBFS scale.
    const int64_t frames = int64_t(pcm.size() / 2);
    for (int x = 0; x < columns; ++x) {
        int64_t first = frames * x / columns, last = frames * (x + 1) / columns;
        double sum = 0.0;
        int peak = 0;
        for (int64_t i = 2 * first; i < 2 * last; ++i) {
            peak = std::max(peak, std::abs(int(pcm[size_t(i)])));
            sum += double(pcm[size_t(i)]) * pcm[size_t(i)];
        }
        double rms = last > first ? std::sqrt(sum / double(2 * (last - first))) : 0.0;
        auto rowFor = [&](double linear) {
            double db = linear > 0.0 ? 20.0 * std::log10(linear / 32768.0) : -100.0;
            return int(std::clamp((-db / 48.0) * stripHeight, 0.0, double(stripHeight - 1)));
        };
        for (int y = rowFor(peak); y < stripHeight; ++y) {
            uint8_t* p = pixel(x, bands + y);
            p[0] = p[1] = p[2] = 90;
        }
        for (int y = rowFor(rms); y < stripHeight; ++y) {
            uint8_t* p = pixel(x, bands + y);
            p[0] = 40;
            p[1] = 200;
            p[2] = 90;
        }
    }
    for (int marker : markers) {
        if (marker < 0 || marker >= columns)
            continue;
        for (int y = 0; y < height; y += 2) {
            uint8_t* p = pixel(marker, y);
            p[0] = p[1] = p[2] = 255;
        }
    }
    return rgb;
}

} // namespace tessellune
