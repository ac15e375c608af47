// Pixel format converters: one stateless shared object per (source, destination) pair.
//
// Formats (integers little-endian, bit 0 least significant):
//   XRGB8888 red 16-23, green 8-15, blue 0-7, bits 24-31 ignored on input and written 0.
//   XBGR8888 blue 16-23, green 8-15, red 0-7, top byte written 0.
//   RGB888   bytes red, green, blue.          BGR888 bytes blue, green, red.
//   RGB565   red 11-15, green 5-10, blue 0-4.  BGR565 blue 11-15, green 5-10, red 0-4.
//   XRGB1555 red 10-14, green 5-9, blue 0-4.  XBGR1555 blue 10-14, green 5-9, red 0-4 (bit 15 = 0).
//   XBGRFFFF floats red, green, blue, alpha.
// Float sources are quantized by truncation (display/quantize.h); integer sources keep the top bits
// of each channel; XRGB8888 to floats gives channel / 256 and leaves the destination alpha alone.
// Same-format pairs copy the bytes unchanged. convert handles one contiguous run of pixels.
#pragma once

#include <cstdint>

#include "display/scanout_types.h"

namespace Scanout {

class Converter {
public:
    virtual ~Converter() = default;
    virtual void begin() const = 0;
    virtual void convert(const void* source, void* destination, std::int32_t count) const = 0;
    virtual void end() const = 0;
};

class ConverterAdapter : public Converter {
public:
    void begin() const override {}
    void end() const override {}
};

// The shared converter for the pair, or none: sources XRGB8888 and XBGRFFFF, destinations 1 to 9.
// The caller neither owns nor frees it.
const Converter* requestConverter(Format source, Format destination);

// Bytes per pixel of a format; 0 for NoFormat and unknown values.
int bytesPerPixel(Format format);

#define SCANOUT_DECLARE_CONVERTER(name)                                                                      \
    class name final : public ConverterAdapter {                                                             \
    public:                                                                                                  \
        void convert(const void* source, void* destination, std::int32_t count) const override;              \
    };

SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_XRGB8888)
SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_XBGR8888)
SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_RGB888)
SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_BGR888)
SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_RGB565)
SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_BGR565)
SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_XRGB1555)
SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_XBGR1555)
SCANOUT_DECLARE_CONVERTER(Converter_XBGRFFFF_to_XBGRFFFF)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_XRGB8888)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_XBGR8888)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_RGB888)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_BGR888)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_RGB565)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_BGR565)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_XRGB1555)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_XBGR1555)
SCANOUT_DECLARE_CONVERTER(Converter_XRGB8888_to_XBGRFFFF)

#undef SCANOUT_DECLARE_CONVERTER

} // namespace Scanout
