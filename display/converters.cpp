// The 18 converters and the lookup that hands out their shared instances.
#include <cstring>

#include "display/converter.h"
#include "display/quantize.h"

namespace Scanout {
namespace {

// Where each channel lands in an integer destination, and how many bytes it takes in memory.
struct PackedLayout {
    int redBits, greenBits, blueBits;
    int redShift, greenShift, blueShift;
    int bytes;
};

// The 24-bit formats are packed as the little-endian value of their three bytes.
constexpr PackedLayout LAYOUT_XRGB8888{8, 8, 8, 16, 8, 0, 4};
constexpr PackedLayout LAYOUT_XBGR8888{8, 8, 8, 0, 8, 16, 4};
constexpr PackedLayout LAYOUT_RGB888{8, 8, 8, 0, 8, 16, 3};
constexpr PackedLayout LAYOUT_BGR888{8, 8, 8, 16, 8, 0, 3};
constexpr PackedLayout LAYOUT_RGB565{5, 6, 5, 11, 5, 0, 2};
constexpr PackedLayout LAYOUT_BGR565{5, 6, 5, 0, 5, 11, 2};
constexpr PackedLayout LAYOUT_XRGB1555{5, 5, 5, 10, 5, 0, 2};
constexpr PackedLayout LAYOUT_XBGR1555{5, 5, 5, 0, 5, 10, 2};

inline void storePacked(unsigned char* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

inline std::uint32_t packFloatPixel(const PackedLayout& layout, const float* pixel) {
    return quantize(pixel[0], layout.redBits) << layout.redShift |
           quantize(pixel[1], layout.greenBits) << layout.greenShift |
           quantize(pixel[2], layout.blueBits) << layout.blueShift;
}

// Four pixels per iteration through the four-lane quantizer, then the remaining zero to three one
// at a time; both compute the same bits. The layout is a template argument so each destination
// gets its own loop with constant shifts and store width.
template <const PackedLayout& L>
void convertFloatToPacked(const void* source, void* destination, std::int32_t count) {
    const float* in = static_cast<const float*>(source);
    unsigned char* out = static_cast<unsigned char*>(destination);
    std::int32_t i = 0;
    for (; i + 4 <= count; i += 4, in += 16) {
        alignas(16) std::uint32_t packed[4];
#if SCANOUT_SSE
        __m128 p0 = _mm_loadu_ps(in), p1 = _mm_loadu_ps(in + 4), p2 = _mm_loadu_ps(in + 8),
               p3 = _mm_loadu_ps(in + 12);
        _MM_TRANSPOSE4_PS(p0, p1, p2, p3);
        const __m128i value =
            _mm_or_si128(_mm_or_si128(_mm_slli_epi32(quantize4(p0, L.redBits), L.redShift),
                                      _mm_slli_epi32(quantize4(p1, L.greenBits), L.greenShift)),
                         _mm_slli_epi32(quantize4(p2, L.blueBits), L.blueShift));
        storeLanes4(packed, value);
#else
        Floats4 r, g, b;
        for (int lane = 0; lane < 4; ++lane) {
            r.lane[lane] = in[lane * 4];
            g.lane[lane] = in[lane * 4 + 1];
            b.lane[lane] = in[lane * 4 + 2];
        }
        const Lanes4 red = quantize4(r, L.redBits), green = quantize4(g, L.greenBits),
                     blue = quantize4(b, L.blueBits);
        for (int lane = 0; lane < 4; ++lane) {
            packed[lane] = red.lane[lane] << L.redShift | green.lane[lane] << L.greenShift |
                           blue.lane[lane] << L.blueShift;
        }
#endif
        for (int lane = 0; lane < 4; ++lane) {
            storePacked(out, packed[lane], L.bytes);
            out += L.bytes;
        }
    }
    for (; i < count; ++i, in += 4) {
        storePacked(out, packFloatPixel(L, in), L.bytes);
        out += L.bytes;
    }
}

// Keeps the top bits of each 8-bit channel, no rounding.
void convertTrueColorToPacked(const PackedLayout& layout, const void* source, void* destination,
                              std::int32_t count) {
    const unsigned char* in = static_cast<const unsigned char*>(source);
    unsigned char* out = static_cast<unsigned char*>(destination);
    for (std::int32_t i = 0; i < count; ++i, in += 4, out += layout.bytes) {
        const std::uint32_t blue = in[0], green = in[1], red = in[2];
        const std::uint32_t value = (red >> (8 - layout.redBits)) << layout.redShift |
                                    (green >> (8 - layout.greenBits)) << layout.greenShift |
                                    (blue >> (8 - layout.blueBits)) << layout.blueShift;
        storePacked(out, value, layout.bytes);
    }
}

void copyPixels(const void* source, void* destination, std::int32_t count, int bytes) {
    if (count > 0) {
        std::memcpy(destination, source, static_cast<std::size_t>(count) * static_cast<std::size_t>(bytes));
    }
}

} // namespace

void Converter_XBGRFFFF_to_XRGB8888::convert(const void* s, void* d, std::int32_t n) const {
    convertFloatToPacked<LAYOUT_XRGB8888>(s, d, n);
}
void Converter_XBGRFFFF_to_XBGR8888::convert(const void* s, void* d, std::int32_t n) const {
    convertFloatToPacked<LAYOUT_XBGR8888>(s, d, n);
}
void Converter_XBGRFFFF_to_RGB888::convert(const void* s, void* d, std::int32_t n) const {
    convertFloatToPacked<LAYOUT_RGB888>(s, d, n);
}
void Converter_XBGRFFFF_to_BGR888::convert(const void* s, void* d, std::int32_t n) const {
    convertFloatToPacked<LAYOUT_BGR888>(s, d, n);
}
void Converter_XBGRFFFF_to_RGB565::convert(const void* s, void* d, std::int32_t n) const {
    convertFloatToPacked<LAYOUT_RGB565>(s, d, n);
}
void Converter_XBGRFFFF_to_BGR565::convert(const void* s, void* d, std::int32_t n) const {
    convertFloatToPacked<LAYOUT_BGR565>(s, d, n);
}
void Converter_XBGRFFFF_to_XRGB1555::convert(const void* s, void* d, std::int32_t n) const {
    convertFloatToPacked<LAYOUT_XRGB1555>(s, d, n);
}
void Converter_XBGRFFFF_to_XBGR1555::convert(const void* s, void* d, std::int32_t n) const {
    convertFloatToPacked<LAYOUT_XBGR1555>(s, d, n);
}
void Converter_XBGRFFFF_to_XBGRFFFF::convert(const void* s, void* d, std::int32_t n) const {
    copyPixels(s, d, n, 16);
}
void Converter_XRGB8888_to_XRGB8888::convert(const void* s, void* d, std::int32_t n) const {
    copyPixels(s, d, n, 4);
}
void Converter_XRGB8888_to_XBGR8888::convert(const void* s, void* d, std::int32_t n) const {
    convertTrueColorToPacked(LAYOUT_XBGR8888, s, d, n);
}
void Converter_XRGB8888_to_RGB888::convert(const void* s, void* d, std::int32_t n) const {
    convertTrueColorToPacked(LAYOUT_RGB888, s, d, n);
}
void Converter_XRGB8888_to_BGR888::convert(const void* s, void* d, std::int32_t n) const {
    convertTrueColorToPacked(LAYOUT_BGR888, s, d, n);
}
void Converter_XRGB8888_to_RGB565::convert(const void* s, void* d, std::int32_t n) const {
    convertTrueColorToPacked(LAYOUT_RGB565, s, d, n);
}
void Converter_XRGB8888_to_BGR565::convert(const void* s, void* d, std::int32_t n) const {
    convertTrueColorToPacked(LAYOUT_BGR565, s, d, n);
}
void Converter_XRGB8888_to_XRGB1555::convert(const void* s, void* d, std::int32_t n) const {
    convertTrueColorToPacked(LAYOUT_XRGB1555, s, d, n);
}
void Converter_XRGB8888_to_XBGR1555::convert(const void* s, void* d, std::int32_t n) const {
    convertTrueColorToPacked(LAYOUT_XBGR1555, s, d, n);
}
void Converter_XRGB8888_to_XBGRFFFF::convert(const void* s, void* d, std::int32_t n) const {
    const unsigned char* in = static_cast<const unsigned char*>(s);
    float* out = static_cast<float*>(d);
    for (std::int32_t i = 0; i < n; ++i, in += 4, out += 4) {
        // Division by 256 is exact in single precision; alpha is left as it was.
        out[0] = static_cast<float>(in[2]) / 256.0f;
        out[1] = static_cast<float>(in[1]) / 256.0f;
        out[2] = static_cast<float>(in[0]) / 256.0f;
    }
}

namespace {

// One instance of each for the whole run; constant-initialised, so they exist before main.
const Converter_XBGRFFFF_to_XRGB8888 FLOAT_TO_XRGB8888;
const Converter_XBGRFFFF_to_XBGR8888 FLOAT_TO_XBGR8888;
const Converter_XBGRFFFF_to_RGB888 FLOAT_TO_RGB888;
const Converter_XBGRFFFF_to_BGR888 FLOAT_TO_BGR888;
const Converter_XBGRFFFF_to_RGB565 FLOAT_TO_RGB565;
const Converter_XBGRFFFF_to_BGR565 FLOAT_TO_BGR565;
const Converter_XBGRFFFF_to_XRGB1555 FLOAT_TO_XRGB1555;
const Converter_XBGRFFFF_to_XBGR1555 FLOAT_TO_XBGR1555;
const Converter_XBGRFFFF_to_XBGRFFFF FLOAT_TO_XBGRFFFF;
const Converter_XRGB8888_to_XRGB8888 TRUE_TO_XRGB8888;
const Converter_XRGB8888_to_XBGR8888 TRUE_TO_XBGR8888;
const Converter_XRGB8888_to_RGB888 TRUE_TO_RGB888;
const Converter_XRGB8888_to_BGR888 TRUE_TO_BGR888;
const Converter_XRGB8888_to_RGB565 TRUE_TO_RGB565;
const Converter_XRGB8888_to_BGR565 TRUE_TO_BGR565;
const Converter_XRGB8888_to_XRGB1555 TRUE_TO_XRGB1555;
const Converter_XRGB8888_to_XBGR1555 TRUE_TO_XBGR1555;
const Converter_XRGB8888_to_XBGRFFFF TRUE_TO_XBGRFFFF;

// Indexed by destination format - 1.
const Converter* const FROM_FLOAT[9] = {&FLOAT_TO_XRGB8888, &FLOAT_TO_XBGR8888, &FLOAT_TO_RGB888,
                                        &FLOAT_TO_BGR888,   &FLOAT_TO_RGB565,   &FLOAT_TO_BGR565,
                                        &FLOAT_TO_XRGB1555, &FLOAT_TO_XBGR1555, &FLOAT_TO_XBGRFFFF};
const Converter* const FROM_TRUE_COLOR[9] = {&TRUE_TO_XRGB8888, &TRUE_TO_XBGR8888, &TRUE_TO_RGB888,
                                             &TRUE_TO_BGR888,   &TRUE_TO_RGB565,   &TRUE_TO_BGR565,
                                             &TRUE_TO_XRGB1555, &TRUE_TO_XBGR1555, &TRUE_TO_XBGRFFFF};

} // namespace

const Converter* requestConverter(Format source, Format destination) {
    const int index = static_cast<int>(destination) - 1;
    if (index < 0 || index >= 9) {
        return nullptr;
    }
    if (source == Format::XBGRFFFF) {
        return FROM_FLOAT[index];
    }
    if (source == Format::XRGB8888) {
        return FROM_TRUE_COLOR[index];
    }
    return nullptr;
}

int bytesPerPixel(Format format) {
    switch (format) {
    case Format::XRGB8888:
    case Format::XBGR8888:
        return 4;
    case Format::RGB888:
    case Format::BGR888:
        return 3;
    case Format::RGB565:
    case Format::BGR565:
    case Format::XRGB1555:
    case Format::XBGR1555:
        return 2;
    case Format::XBGRFFFF:
        return 16;
    case Format::NoFormat:
        break;
    }
    return 0;
}

} // namespace Scanout
