// PNG encoding with zlib's deflate: signature, IHDR, one IDAT, IEND.
#include "tools/datagen/png_writer.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

#include <zlib.h>

namespace tessellune::datagen {

namespace {

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeStart, static_cast<uInt>(out.size() - typeStart));
    putBigEndian(out, static_cast<uint32_t>(crc));
}

// Paeth predictor of the PNG filter type 4.
uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) {
        return static_cast<uint8_t>(a);
    }
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Every row uses the Paeth filter: it suits both the smooth textures and the flat cards.
std::vector<uint8_t> filterRows(const RgbaImage& image) {
    const size_t stride = static_cast<size_t>(image.width) * 4;
    std::vector<uint8_t> raw;
    raw.reserve((stride + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = &image.pixels[y * stride];
        const uint8_t* above = y > 0 ? row - stride : nullptr;
        raw.push_back(4);
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= 4 ? row[i - 4] : 0;
            const int b = above ? above[i] : 0;
            const int c = (above && i >= 4) ? above[i - 4] : 0;
            raw.push_back(static_cast<uint8_t>(row[i] - paeth(a, b, c)));
        }
    }
    return raw;
}

} // namespace

std::vector<uint8_t> encodePng(const RgbaImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * 4) {
        return {};
    }
    const std::vector<uint8_t> raw = filterRows(image);
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
    std::vector<uint8_t> header;
    putBigEndian(header, static_cast<uint32_t>(image.width));
    putBigEndian(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, adaptive filters, no interlace
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", packed);
    putChunk(out, "IEND", {});
    return out;
}

bool writePng(const std::string& path, const RgbaImage& image, std::string& error) {
    const std::vector<uint8_t> bytes = encodePng(image);
    if (bytes.empty()) {
        error = "cannot encode " + path;
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace tessellune::datagen
