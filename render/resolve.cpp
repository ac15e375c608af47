// Resolve of float colours to 0xAARRGGBB pixels (SSE and scalar) and the image overlay.
#include "render/resolve.h"

#include <algorithm>
#include <cmath>

namespace tessellune {

namespace {

constexpr float CHANNEL_MAX = 255.0f;

int32_t pixelCount(const ResolveTarget& target, const FloatImage& colour) {
    if (target.pixels == nullptr || colour.pixels == nullptr || target.width <= 0 || target.height <= 0 ||
        colour.width <= 0 || colour.height <= 0) {
        return 0;
    }
    const int64_t wanted = int64_t(target.width) * target.height;
    const int64_t available = int64_t(colour.width) * colour.height;
    return static_cast<int32_t>(std::min(wanted, available));
}

// Lane conversion as the SSE instruction does it: nearest, ties to even; NaN and out-of-range give
// the "integer indefinite" value, which the clamp then turns into 0.
int32_t convertLane(float v) {
    if (!(v > -2147483648.0f && v < 2147483648.0f)) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(std::nearbyint(v));
}

// The pixels of rows [firstRow, endRow) of the target that the colour buffer holds.
struct PixelRange {
    int32_t begin, end;
};
PixelRange rowPixels(const ResolveTarget& target, const FloatImage& colour, int32_t firstRow,
                     int32_t endRow) {
    const int64_t count = pixelCount(target, colour);
    const int64_t first = std::clamp<int64_t>(int64_t(firstRow) * target.width, 0, count);
    const int64_t end = std::clamp<int64_t>(int64_t(endRow) * target.width, first, count);
    return {static_cast<int32_t>(first), static_cast<int32_t>(end)};
}

uint32_t clampChannel(int32_t v) {
    return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Capped like the SSE minimum: a NaN lane compares false and takes the cap.
float cap(float v) {
    return v < CHANNEL_MAX ? v : CHANNEL_MAX;
}

} // namespace

namespace scalar {

uint32_t packPixel(const Vec4& c, float factor) {
    const uint32_t r = clampChannel(convertLane(cap(c.x * CHANNEL_MAX) * factor));
    const uint32_t g = clampChannel(convertLane(cap(c.y * CHANNEL_MAX) * factor));
    const uint32_t b = clampChannel(convertLane(cap(c.z * CHANNEL_MAX) * factor));
    const uint32_t a = clampChannel(convertLane(cap(c.w * CHANNEL_MAX) * factor));
    return (a << 24) | (r << 16) | (g << 8) | b;
}

void resolvePixels(ResolveTarget& target, float factor, const FloatImage& colour, int32_t begin,
                   int32_t end) {
    for (int32_t i = begin; i < end; ++i) {
        target.pixels[i] = packPixel(colour.pixels[i], factor);
    }
}

void resolveFaded(ResolveTarget& target, float factor, const FloatImage& colour) {
    resolvePixels(target, factor, colour, 0, pixelCount(target, colour));
}

} // namespace scalar

#if TESSELLUNE_SSE

namespace {

template <bool Faded>
inline __m128i convertPixel(const Vec4& c, __m128 factor) {
    const __m128 limit = _mm_set1_ps(CHANNEL_MAX);
    __m128 v = _mm_load_ps(&c.x);
    v = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 0, 1, 2)); // b, g, r, a: the byte order in memory
    v = _mm_min_ps(_mm_mul_ps(v, limit), limit);
    if constexpr (Faded) {
        v = _mm_mul_ps(v, factor);
    }
    return roundToInt4(v);
}

template <bool Faded>
void resolvePixels(ResolveTarget& target, float fade, const FloatImage& colour, int32_t begin, int32_t end) {
    const __m128 factor = _mm_set1_ps(fade);
    int32_t i = begin;
    for (; i + 4 <= end; i += 4) {
        const __m128i p0 = convertPixel<Faded>(colour.pixels[i], factor);
        const __m128i p1 = convertPixel<Faded>(colour.pixels[i + 1], factor);
        const __m128i p2 = convertPixel<Faded>(colour.pixels[i + 2], factor);
        const __m128i p3 = convertPixel<Faded>(colour.pixels[i + 3], factor);
        // Saturating packs clamp every lane to 0..255.
        const __m128i words = _mm_packus_epi16(_mm_packs_epi32(p0, p1), _mm_packs_epi32(p2, p3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target.pixels + i), words);
    }
    for (; i < end; ++i) {
        const __m128i p = convertPixel<Faded>(colour.pixels[i], factor);
        const __m128i words = _mm_packus_epi16(_mm_packs_epi32(p, p), _mm_packs_epi32(p, p));
        target.pixels[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(words));
    }
}

// The pixels of a range, plain (factor 1, not multiplied) or faded.
void convertRange(ResolveTarget& target, bool faded, float factor, const FloatImage& colour,
                  PixelRange range) {
    if (faded) {
        resolvePixels<true>(target, factor, colour, range.begin, range.end);
    } else {
        resolvePixels<false>(target, 1.0f, colour, range.begin, range.end);
    }
}

} // namespace

#else

namespace {

void convertRange(ResolveTarget& target, bool faded, float factor, const FloatImage& colour,
                  PixelRange range) {
    scalar::resolvePixels(target, faded ? factor : 1.0f, colour, range.begin, range.end);
}

} // namespace

#endif

void resolveRows(ResolveTarget& target, const FloatImage& colour, int32_t firstRow, int32_t endRow) {
    convertRange(target, false, 1.0f, colour, rowPixels(target, colour, firstRow, endRow));
}
void resolveFadedRows(ResolveTarget& target, float factor, const FloatImage& colour, int32_t firstRow,
                      int32_t endRow) {
    convertRange(target, true, factor, colour, rowPixels(target, colour, firstRow, endRow));
}

void resolve(ResolveTarget& target, const FloatImage& colour) {
    resolveRows(target, colour, 0, target.height);
}
void resolveFaded(ResolveTarget& target, float factor, const FloatImage& colour) {
    resolveFadedRows(target, factor, colour, 0, target.height);
}

void overlayImage(const FloatImage& image, FloatImage& target, int32_t x, int32_t y) {
    if (image.pixels == nullptr || target.pixels == nullptr) {
        return;
    }
    const int32_t firstRow = std::max(0, -y);
    const int32_t endRow = static_cast<int32_t>(std::min<int64_t>(image.height, int64_t(target.height) - y));
    const int32_t firstColumn = std::max(0, -x);
    const int32_t endColumn = static_cast<int32_t>(std::min<int64_t>(image.width, int64_t(target.width) - x));
    for (int32_t j = firstRow; j < endRow; ++j) {
        const Vec4* source = image.pixels + static_cast<size_t>(j) * image.width;
        Vec4* destination = target.pixels + static_cast<size_t>(y + j) * target.width;
        for (int32_t i = firstColumn; i < endColumn; ++i) {
            const Vec4& s = source[i];
            Vec4& d = destination[x + i];
            const float keep = 1.0f - s.w;
            d.x = keep * d.x + s.x;
            d.y = keep * d.y + s.y;
            d.z = keep * d.z + s.z;
        }
    }
}

} // namespace tessellune
