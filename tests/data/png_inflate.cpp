// Reads back the generator's PNG files with zlib, independently of the encoder's code.
#include "tests/data/png_inflate.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <zlib.h>

namespace tessellune::datatest {

namespace {

uint32_t bigEndian(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

int predict(int filter, int a, int b, int c) {
    switch (filter) {
    case 1:
        return a;
    case 2:
        return b;
    case 3:
        return (a + b) / 2;
    case 4: {
        const int p = a + b - c;
        const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
    }
    default:
        return 0;
    }
}

} // namespace

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool inflatePng(const std::vector<uint8_t>& bytes, datagen::RgbaImage& image, std::string& error) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
    if (bytes.size() < 8 || !std::equal(signature, signature + 8, bytes.begin())) {
        error = "no PNG signature";
        return false;
    }
    std::vector<uint8_t> packed;
    bool header = false, end = false;
    for (size_t at = 8; at + 12 <= bytes.size() && !end;) {
        const uint32_t length = bigEndian(&bytes[at]);
        if (length > bytes.size() - at - 12) {
            error = "chunk runs past the end";
            return false;
        }
        const uint8_t* type = &bytes[at + 4];
        const uint8_t* data = type + 4;
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), type, length + 4);
        if (crc != bigEndian(data + length)) {
            error = "bad CRC";
            return false;
        }
        const std::string name(reinterpret_cast<const char*>(type), 4);
        if (name == "IHDR") {
            if (length != 13 || data[8] != 8 || data[9] != 6 || data[12] != 0) {
                error = "not 8-bit RGBA non-interlaced";
                return false;
            }
            image.width = static_cast<int>(bigEndian(data));
            image.height = static_cast<int>(bigEndian(data + 4));
            header = true;
        } else if (name == "IDAT") {
            packed.insert(packed.end(), data, data + length);
        } else if (name == "IEND") {
            end = true;
        }
        at += length + 12;
    }
    if (!header || !end || image.width <= 0 || image.height <= 0 || image.width > 8192 ||
        image.height > 8192) {
        error = "missing IHDR or IEND, or bad size";
        return false;
    }
    const size_t stride = static_cast<size_t>(image.width) * 4;
    std::vector<uint8_t> raw((stride + 1) * image.height);
    uLongf rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
        rawSize != raw.size()) {
        error = "inflate failed or wrong data size";
        return false;
    }
    image.pixels.assign(stride * image.height, 0);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t filter = raw[y * (stride + 1)];
        if (filter > 4) {
            error = "bad filter type";
            return false;
        }
        const uint8_t* in = &raw[y * (stride + 1) + 1];
        uint8_t* out = &image.pixels[y * stride];
        const uint8_t* above = y > 0 ? out - stride : nullptr;
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= 4 ? out[i - 4] : 0;
            const int b = above ? above[i] : 0;
            const int c = (above && i >= 4) ? above[i - 4] : 0;
            out[i] = static_cast<uint8_t>(in[i] + predict(filter, a, b, c));
        }
    }
    return true;
}

} // namespace tessellune::datatest
