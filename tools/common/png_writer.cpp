// PNG encoding with zlib: signature, IHDR, one IDAT of filtered rows, IEND.
#include "tools/common/png_writer.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tessellune::tools {

namespace {

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
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

} // namespace

std::vector<uint8_t> encodePngRgba(int32_t width, int32_t height, std::span<const uint8_t> rgba) {
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    if (width <= 0 || height <= 0 || rgba.size() != rowBytes * static_cast<size_t>(height)) {
        return {};
    }
    // Every row uses the Paeth filter: it suits smooth textures, flat cards and frames alike.
    std::vector<uint8_t> filtered;
    filtered.reserve((rowBytes + 1) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = rgba.data() + rowBytes * static_cast<size_t>(y);
        const uint8_t* above = y > 0 ? row - rowBytes : nullptr;
        filtered.push_back(4);
        for (size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= 4 ? row[i - 4] : 0;
            const int b = above != nullptr ? above[i] : 0;
            const int c = (above != nullptr && i >= 4) ? above[i - 4] : 0;
            filtered.push_back(static_cast<uint8_t>(row[i] - paeth(a, b, c)));
        }
    }
    uLongf compressedSize = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<uint8_t> compressed(compressedSize);
    if (compress2(compressed.data(), &compressedSize, filtered.data(), static_cast<uLong>(filtered.size()),
                  9) != Z_OK) {
        return {};
    }
    compressed.resize(compressedSize);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> header;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, adaptive filters, no interlace
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", compressed);
    putChunk(png, "IEND", {});
    return png;
}

bool writePngRgba(const std::string& path, int32_t width, int32_t height, std::span<const uint8_t> rgba,
                  std::string& error) {
    const std::vector<uint8_t> png = encodePngRgba(width, height, rgba);
    if (png.empty()) {
        error = "cannot encode a " + std::to_string(width) + " x " + std::to_string(height) + " picture";
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file || std::fwrite(png.data(), 1, png.size(), file.get()) != png.size()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

std::vector<uint8_t> rgbaFromXrgb(const uint32_t* pixels, int32_t width, int32_t height,
                                  int32_t strideBytes) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (int32_t y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                                            static_cast<size_t>(strideBytes) * y);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = row[x];
            uint8_t* out = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            out[0] = static_cast<uint8_t>(p >> 16);
            out[1] = static_cast<uint8_t>(p >> 8);
            out[2] = static_cast<uint8_t>(p);
            out[3] = 255;
        }
    }
    return rgba;
}

} // namespace tessellune::tools
