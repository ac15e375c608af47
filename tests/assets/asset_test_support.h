// Helpers shared by the asset tests: a texture store that frees itself, and PNG files built in
// memory with zlib (an independent encoder) from chunks the test chooses.
#pragma once

#include <zlib.h>

#include <array>
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

// A vector's four lanes, to compare with EXPECT_EQ against a literal.
using Lanes = std::array<float, 4>;
inline Lanes lanes(const Vec4& v) {
    return {v.x, v.y, v.z, v.w};
}

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

// A zlib stream; the strategy picks which block kinds zlib writes (Z_FIXED: fixed codes only).
inline std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& raw, int level = 6,
                                         int strategy = Z_DEFAULT_STRATEGY) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, 15, 8, strategy);
    std::vector<uint8_t> out(deflateBound(&stream, uLong(raw.size())));
    stream.next_in = const_cast<Bytef*>(raw.data());
    stream.avail_in = uInt(raw.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
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
