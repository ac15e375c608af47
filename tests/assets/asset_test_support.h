// Helpers shared by the asset tests: a texture store that frees itself, and PNG files built in
// memory with zlib (an independent encoder) from chunks the test chooses.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "assets/texture_store.h"

namespace tessellune::testing_support {

struct OwnedStore {
    TextureStore store = createTextureStore();
    OwnedStore() = default;
    OwnedStore(const OwnedStore&) = delete;
    OwnedStore& operator=(const OwnedStore&) = delete;
    ~OwnedStore() { destroyTextureStore(store); }
};

inline void appendBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

inline void appendChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    appendBigEndian32(png, static_cast<uint32_t>(data.size()));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    appendBigEndian32(png, 0); // CRCs are never checked
}

inline std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& raw, int level = 6) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
    out.resize(size);
    return out;
}

// Signature and IHDR only; append more chunks and IEND yourself.
inline std::vector<uint8_t> pngHeader(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                                      uint8_t interlace = 0) {
    std::vector<uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<uint8_t> ihdr;
    appendBigEndian32(ihdr, width);
    appendBigEndian32(ihdr, height);
    ihdr.insert(ihdr.end(), {depth, colourType, 0, 0, interlace});
    appendChunk(png, "IHDR", ihdr);
    return png;
}

// A whole non-interlaced PNG from filtered scanlines (each row: filter byte, then samples).
inline std::vector<uint8_t>
makePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
        const std::vector<uint8_t>& scanlines,
        const std::vector<std::pair<std::string, std::vector<uint8_t>>>& extra = {}) {
    std::vector<uint8_t> png = pngHeader(width, height, depth, colourType);
    for (const auto& [type, data] : extra) {
        appendChunk(png, type.c_str(), data);
    }
    appendChunk(png, "IDAT", zlibCompress(scanlines));
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace tessellune::testing_support
