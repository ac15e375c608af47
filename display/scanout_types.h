// The enumerations and records that cross the Scanout display interfaces.
//
// Conventions: framebuffer coordinates have x to the right and y down, row 0 at the top, in
// pixels. A TrueColorPixel read as a little-endian 32-bit integer is 0xXXRRGGBB (bytes in memory:
// blue, green, red, ignored). A FloatingPointPixel is red, green, blue, alpha floats; 0 to 1 is the
// displayable range. Dirty boxes are end-exclusive.
#pragma once

#include <cstdint>

namespace Scanout {

// Only Fullscreen selects full screen; Default and Windowed both open in a window.
enum class Output : std::int32_t { Default = 0, Windowed = 1, Fullscreen = 2 };

// Which pixel storage a host tries first: FloatingPoint puts XBGRFFFF at the head of the list.
enum class Mode : std::int32_t { TrueColor = 0, FloatingPoint = 1 };

// Pixel layouts; the bit positions are documented with the converters (display/converter.h).
enum class Format : std::int32_t {
    NoFormat = 0,
    XRGB8888 = 1,
    XBGR8888 = 2,
    RGB888 = 3,
    BGR888 = 4,
    RGB565 = 5,
    BGR565 = 6,
    XRGB1555 = 7,
    XBGR1555 = 8,
    XBGRFFFF = 9,
};

using TrueColorPixel = std::uint32_t;

struct FloatingPointPixel {
    float red;
    float green;
    float blue;
    float alpha;
};

struct DirtyBox {
    std::int32_t xBegin;
    std::int32_t xEnd;
    std::int32_t yBegin;
    std::int32_t yEnd;
};

// Handed out by lock; valid until the next lock.
struct LockedFramebuffer {
    Format format;
    void* pixels;
    std::int32_t stride;
};

// A key code: letters are upper-case ASCII, digits '0'-'9', Escape 27, Enter 10 (display/key_table.h).
using Key = std::int32_t;

// Button flags are 1 while held; x and y are in framebuffer pixels.
struct Mouse {
    std::uint8_t left;
    std::uint8_t middle;
    std::uint8_t right;
    float x;
    float y;
};

} // namespace Scanout
