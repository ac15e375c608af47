// PNG decoder: a whole file image in memory to 8-bit RGBA pixels, or an error number.
//
// Conventions: output pixels are four bytes r, g, b, a, rows from the top of the picture down,
// width x height pixels with no padding. Accepted: colour types 0, 2, 3, 4, 6 with every bit depth
// the format allows, Adam7 interlacing, PLTE and tRNS; 16-bit samples keep their high byte.
// Chunk CRCs and the zlib checksum are never verified; other ancillary chunks are ignored.
//
// Error numbers (the inflate ones, 10 to 26 and 49 to 55, 64, 71, 72, are listed in inflate.h):
//   27 file shorter than 29 bytes            28 PNG signature wrong
//   29 first chunk is not IHDR               30 the chunk walk runs out of data before IEND
//   31 colour type not 0, 2, 3, 4 or 6       32 compression method not 0
//   33 filter method not 0                   34 interlace method above 1
//   35 a chunk's data runs past the end      36 a scanline filter type above 4
//   37 bit depth not allowed for the colour type
//   38 palette with more than 256 entries    39 tRNS with more entries than the palette
//   40 greyscale tRNS whose length is not 2  41 truecolour tRNS whose length is not 6
//   42 tRNS in an image of colour type 4 or 6
//   46 palette index out of range, depth 8   47 palette index out of range, depth below 8
//   48 empty input                           63 a chunk length above 2147483647
//   69 an unknown critical chunk
//   70 the decompressed data is shorter than the image needs
//   73 width or height is 0 or above MAX_PNG_DIMENSION, or the image would not fit in memory
//      as RGBA8 or as a float texture (16 bytes a pixel)
//   74 not enough memory to decode the image (also used by the texture loader for its texels)
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tessellune {

// The error number for an image, or its float texels, that does not fit in memory.
inline constexpr int32_t PNG_OUT_OF_MEMORY = 74;

// Largest accepted width and height. Sizes are otherwise unbounded; this only keeps every size
// computed from them far from overflow. What must fit in memory is bounded below.
inline constexpr uint32_t MAX_PNG_DIMENSION = 1000000;

// Largest accepted float texture (16 bytes a texel): half the address space, so that on the 32-bit
// program an image whose texels could never be allocated is refused before anything is decoded.
// The decoded bytes (4 a pixel) and the scanlines (at most 8 a pixel plus a byte a row and pass)
// are smaller, so no size computed from an accepted header overflows size_t.
inline constexpr uint64_t MAX_TEXEL_BYTES = SIZE_MAX / 2;

struct PngInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t colourType = 0;
    uint32_t bitDepth = 0;
    uint32_t compressionMethod = 0;
    uint32_t filterMethod = 0;
    uint32_t interlaceMethod = 0;
    uint32_t keyRed = 0; // colour key from tRNS, 16-bit values (all three equal for greyscale)
    uint32_t keyGreen = 0;
    uint32_t keyBlue = 0;
    bool keyDefined = false;
    uint8_t palette[1024] = {}; // r, g, b, a per entry
    uint32_t paletteSize = 0;   // entries
    int32_t error = 0;
};

// Decodes the file image `file` into `pixels` (replaced; width x height x 4 bytes on success).
PngInfo decodePng(std::span<const uint8_t> file, std::vector<uint8_t>& pixels);

} // namespace tessellune
