// Reads back the generator's PNG files: chunk CRCs by zlib, pixels by the demo's decoder.
#include "tests/tools/datagen/png_read.h"

#include <zlib.h>

#include "assets/png_decoder.h"

namespace tessellune::datatest {

namespace {

uint32_t bigEndian(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

} // namespace

bool readPng(const std::vector<uint8_t>& bytes, datagen::RgbaImage& image, std::string& error) {
    bool end = false;
    for (size_t at = 8; at + 12 <= bytes.size() && !end; at += bigEndian(&bytes[at]) + 12) {
        const uint32_t length = bigEndian(&bytes[at]);
        if (length > bytes.size() - at - 12) {
            error = "chunk runs past the end";
            return false;
        }
        const uint8_t* type = &bytes[at + 4];
        if (crc32(crc32(0L, Z_NULL, 0), type, length + 4) != bigEndian(type + 4 + length)) {
            error = "bad CRC";
            return false;
        }
        end = std::string(reinterpret_cast<const char*>(type), 4) == "IEND";
    }
    const PngInfo info = decodePng(bytes, image.pixels);
    if (info.error != 0 || !end || info.bitDepth != 8 || info.colourType != 6) {
        error = "not an 8-bit RGBA PNG ending in IEND, decoder error " + std::to_string(info.error);
        return false;
    }
    image.width = static_cast<int>(info.width);
    image.height = static_cast<int>(info.height);
    return true;
}

} // namespace tessellune::datatest
