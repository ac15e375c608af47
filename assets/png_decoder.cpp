// PNG decoding: chunk walk, inflate, scanline unfiltering, Adam7 and conversion to RGBA8.
#include "assets/png_decoder.h"

#include <array>
#include <cstring>
#include <new>

#include "assets/inflate.h"

namespace tessellune {
namespace {

constexpr size_t MIN_FILE_SIZE = 29;
constexpr size_t FIRST_CHUNK = 33; // signature (8) + IHDR length, type, data (4 + 4 + 13)
constexpr uint32_t MAX_CHUNK_LENGTH = 2147483647u;

// One Adam7 pass (or the whole image when not interlaced): first pixel and step in each direction.
struct Pass {
    uint32_t x0, y0, dx, dy;
};
constexpr std::array<Pass, 7> ADAM7 = {Pass{0, 0, 8, 8}, Pass{4, 0, 8, 8}, Pass{0, 4, 4, 8}, Pass{2, 0, 4, 4},
                                       Pass{0, 2, 2, 4}, Pass{1, 0, 2, 2}, Pass{0, 1, 1, 2}};

uint32_t readBigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint32_t readBigEndian16(const uint8_t* p) {
    return (uint32_t{p[0]} << 8) | p[1];
}

bool chunkTypeIs(const uint8_t* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

bool bitDepthAllowed(uint32_t colourType, uint32_t depth) {
    switch (colourType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default:
        return depth == 8 || depth == 16;
    }
}

uint32_t bitsPerPixel(const PngInfo& info) {
    const uint32_t channels[7] = {1, 0, 3, 1, 2, 0, 4};
    return channels[info.colourType] * info.bitDepth;
}

// The passes of this image: the seven Adam7 passes, or one pass covering every pixel.
std::span<const Pass> imagePasses(const PngInfo& info) {
    static constexpr Pass WHOLE[1] = {Pass{0, 0, 1, 1}};
    if (info.interlaceMethod == 1) {
        return ADAM7;
    }
    return WHOLE;
}

uint32_t passWidth(const PngInfo& info, const Pass& pass) {
    return info.width > pass.x0 ? (info.width - pass.x0 + pass.dx - 1) / pass.dx : 0;
}
uint32_t passHeight(const PngInfo& info, const Pass& pass) {
    return info.height > pass.y0 ? (info.height - pass.y0 + pass.dy - 1) / pass.dy : 0;
}
size_t rowBytes(uint32_t pixels, uint32_t bpp) {
    return (size_t{pixels} * bpp + 7) / 8;
}

// Bytes of filtered scanline data the image needs: per row one filter byte and its packed samples.
size_t scanlineDataSize(const PngInfo& info) {
    const uint32_t bpp = bitsPerPixel(info);
    size_t total = 0;
    for (const Pass& pass : imagePasses(info)) {
        const uint32_t w = passWidth(info, pass);
        const uint32_t h = passHeight(info, pass);
        if (w != 0 && h != 0) {
            total += size_t{h} * (1 + rowBytes(w, bpp));
        }
    }
    return total;
}

uint8_t paeth(int32_t left, int32_t up, int32_t upLeft) {
    const int32_t p = left + up - upLeft;
    const int32_t pa = p > left ? p - left : left - p;
    const int32_t pb = p > up ? p - up : up - p;
    const int32_t pc = p > upLeft ? p - upLeft : upLeft - p;
    if (pa <= pb && pa <= pc) {
        return static_cast<uint8_t>(left);
    }
    return static_cast<uint8_t>(pb <= pc ? up : upLeft);
}

// Reverses one row's filter in place. `previous` is the reconstructed row above or null.
int32_t unfilterRow(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t length, size_t pixelBytes) {
    switch (filter) {
    case 0:
        break;
    case 1:
        for (size_t i = pixelBytes; i < length; ++i) {
            row[i] = static_cast<uint8_t>(row[i] + row[i - pixelBytes]);
        }
        break;
    case 2:
        if (previous != nullptr) {
            for (size_t i = 0; i < length; ++i) {
                row[i] = static_cast<uint8_t>(row[i] + previous[i]);
            }
        }
        break;
    case 3:
        for (size_t i = 0; i < length; ++i) {
            const uint32_t left = i >= pixelBytes ? row[i - pixelBytes] : 0;
            const uint32_t up = previous != nullptr ? previous[i] : 0;
            row[i] = static_cast<uint8_t>(row[i] + ((left + up) >> 1));
        }
        break;
    case 4:
        for (size_t i = 0; i < length; ++i) {
            const int32_t left = i >= pixelBytes ? row[i - pixelBytes] : 0;
            const int32_t up = previous != nullptr ? previous[i] : 0;
            const int32_t upLeft = (previous != nullptr && i >= pixelBytes) ? previous[i - pixelBytes] : 0;
            row[i] = static_cast<uint8_t>(row[i] + paeth(left, up, upLeft));
        }
        break;
    default:
        return 36;
    }
    return 0;
}

// Calls visit(pass, row index in the pass, row's filter byte address, pixels in the row, row
// bytes) for every row of every non-empty pass, in data order; stops at the first error.
template <typename RowVisitor>
int32_t forEachRow(const PngInfo& info, uint8_t* data, RowVisitor&& visit) {
    const uint32_t bpp = bitsPerPixel(info);
    size_t offset = 0;
    for (const Pass& pass : imagePasses(info)) {
        const uint32_t w = passWidth(info, pass);
        const uint32_t h = passHeight(info, pass);
        if (w == 0 || h == 0) {
            continue;
        }
        const size_t length = rowBytes(w, bpp);
        for (uint32_t y = 0; y < h; ++y) {
            if (const int32_t error = visit(pass, y, data + offset, w, length)) {
                return error;
            }
            offset += 1 + length;
        }
    }
    return 0;
}

// Unfilters every row of every pass in place; the filter bytes stay where they are.
int32_t unfilterAll(const PngInfo& info, std::vector<uint8_t>& data) {
    const uint32_t bpp = bitsPerPixel(info);
    const size_t pixelBytes = bpp >= 8 ? bpp / 8 : 1;
    const uint8_t* previous = nullptr;
    return forEachRow(
        info, data.data(), [&](const Pass&, uint32_t y, uint8_t* filter, uint32_t, size_t length) {
            if (y == 0) {
                previous = nullptr; // each pass starts over: its first row has zeros above it
            }
            const int32_t error = unfilterRow(*filter, filter + 1, previous, length, pixelBytes);
            previous = filter + 1;
            return error;
        });
}

// Sample x of a row packed at `depth` bits (1, 2 or 4), most significant bits first.
uint32_t packedSample(const uint8_t* row, uint32_t x, uint32_t depth) {
    const uint32_t bit = x * depth;
    const uint32_t shift = 8 - depth - (bit & 7);
    return (row[bit >> 3] >> shift) & ((1u << depth) - 1);
}

void writePixel(uint8_t* out, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    out[0] = static_cast<uint8_t>(r);
    out[1] = static_cast<uint8_t>(g);
    out[2] = static_cast<uint8_t>(b);
    out[3] = static_cast<uint8_t>(a);
}

// Converts `count` pixels of one reconstructed row to RGBA8, writing every `outStep` bytes.
int32_t convertRow(const PngInfo& info, const uint8_t* row, uint32_t count, uint8_t* out, size_t outStep) {
    const uint32_t depth = info.bitDepth;
    for (uint32_t x = 0; x < count; ++x, out += outStep) {
        switch (info.colourType) {
        case 0: {
            if (depth == 16) {
                const uint8_t* s = row + 2 * x;
                const bool clear = info.keyDefined && readBigEndian16(s) == info.keyRed;
                writePixel(out, s[0], s[0], s[0], clear ? 0 : 255);
            } else {
                const uint32_t v = depth == 8 ? row[x] : packedSample(row, x, depth);
                const uint32_t grey = depth == 8 ? v : v * 255 / ((1u << depth) - 1);
                const bool clear = info.keyDefined && v == info.keyRed;
                writePixel(out, grey, grey, grey, clear ? 0 : 255);
            }
            break;
        }
        case 2: {
            if (depth == 16) {
                const uint8_t* s = row + 6 * x;
                const bool clear = info.keyDefined && readBigEndian16(s) == info.keyRed &&
                                   readBigEndian16(s + 2) == info.keyGreen &&
                                   readBigEndian16(s + 4) == info.keyBlue;
                writePixel(out, s[0], s[2], s[4], clear ? 0 : 255);
            } else {
                const uint8_t* s = row + 3 * x;
                const bool clear =
                    info.keyDefined && s[0] == info.keyRed && s[1] == info.keyGreen && s[2] == info.keyBlue;
                writePixel(out, s[0], s[1], s[2], clear ? 0 : 255);
            }
            break;
        }
        case 3: {
            const uint32_t index = depth == 8 ? row[x] : packedSample(row, x, depth);
            if (index >= info.paletteSize) {
                return depth == 8 ? 46 : 47;
            }
            std::memcpy(out, info.palette + 4 * index, 4);
            break;
        }
        case 4: {
            const uint8_t* s = row + (depth == 16 ? 4 : 2) * x;
            const uint32_t alpha = depth == 16 ? s[2] : s[1];
            writePixel(out, s[0], s[0], s[0], alpha);
            break;
        }
        default: { // 6
            const uint8_t* s = row + (depth == 16 ? 8 : 4) * x;
            if (depth == 16) {
                writePixel(out, s[0], s[2], s[4], s[6]);
            } else {
                std::memcpy(out, s, 4);
            }
            break;
        }
        }
    }
    return 0;
}

// Scatters every pass's reconstructed rows into the RGBA8 image.
int32_t convertAll(const PngInfo& info, std::vector<uint8_t>& data, std::vector<uint8_t>& pixels) {
    return forEachRow(info, data.data(),
                      [&](const Pass& pass, uint32_t y, uint8_t* filter, uint32_t w, size_t) {
                          const size_t imageY = pass.y0 + size_t{y} * pass.dy;
                          uint8_t* out = pixels.data() + 4 * (imageY * info.width + pass.x0);
                          return convertRow(info, filter + 1, w, out, 4 * size_t{pass.dx});
                      });
}

// Reads the signature and IHDR fields and checks them.
int32_t readHeader(std::span<const uint8_t> file, PngInfo& info) {
    static constexpr uint8_t SIGNATURE[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (std::memcmp(file.data(), SIGNATURE, 8) != 0) {
        return 28;
    }
    if (!chunkTypeIs(file.data() + 12, "IHDR")) {
        return 29;
    }
    info.width = readBigEndian32(file.data() + 16);
    info.height = readBigEndian32(file.data() + 20);
    info.bitDepth = file[24];
    info.colourType = file[25];
    info.compressionMethod = file[26];
    info.filterMethod = file[27];
    info.interlaceMethod = file[28];
    if (info.compressionMethod != 0) {
        return 32;
    }
    if (info.filterMethod != 0) {
        return 33;
    }
    if (info.interlaceMethod > 1) {
        return 34;
    }
    if (info.colourType != 0 && info.colourType != 2 && info.colourType != 3 && info.colourType != 4 &&
        info.colourType != 6) {
        return 31;
    }
    if (!bitDepthAllowed(info.colourType, info.bitDepth)) {
        return 37;
    }
    if (info.width == 0 || info.height == 0 || info.width > MAX_PNG_DIMENSION ||
        info.height > MAX_PNG_DIMENSION || uint64_t{info.width} * info.height > MAX_TEXEL_BYTES / 16) {
        return 73;
    }
    return 0;
}

int32_t readTransparency(const uint8_t* data, uint32_t length, PngInfo& info) {
    switch (info.colourType) {
    case 3:
        if (4 * uint64_t{length} > 4 * uint64_t{info.paletteSize}) {
            return 39;
        }
        for (uint32_t i = 0; i < length; ++i) {
            info.palette[4 * i + 3] = data[i];
        }
        return 0;
    case 0:
        if (length != 2) {
            return 40;
        }
        info.keyRed = info.keyGreen = info.keyBlue = readBigEndian16(data);
        info.keyDefined = true;
        return 0;
    case 2:
        if (length != 6) {
            return 41;
        }
        info.keyRed = readBigEndian16(data);
        info.keyGreen = readBigEndian16(data + 2);
        info.keyBlue = readBigEndian16(data + 4);
        info.keyDefined = true;
        return 0;
    default:
        return 42;
    }
}

// Walks the chunks after IHDR up to IEND, collecting IDAT data, the palette and tRNS.
int32_t walkChunks(std::span<const uint8_t> file, PngInfo& info, std::vector<uint8_t>& compressed) {
    const uint64_t size = file.size();
    uint64_t position = FIRST_CHUNK;
    for (;;) {
        if (position + 8 >= size) {
            return 30;
        }
        const uint8_t* chunk = file.data() + position;
        const uint32_t length = readBigEndian32(chunk);
        if (length > MAX_CHUNK_LENGTH) {
            return 63;
        }
        if (position + 8 + length > size) {
            return 35;
        }
        const uint8_t* type = chunk + 4;
        const uint8_t* data = chunk + 8;
        if (chunkTypeIs(type, "IDAT")) {
            compressed.insert(compressed.end(), data, data + length);
        } else if (chunkTypeIs(type, "IEND")) {
            return 0;
        } else if (chunkTypeIs(type, "PLTE")) {
            const uint32_t entries = length / 3;
            if (entries > 256) {
                return 38;
            }
            info.paletteSize = entries;
            for (uint32_t i = 0; i < entries; ++i) {
                writePixel(info.palette + 4 * i, data[3 * i], data[3 * i + 1], data[3 * i + 2], 255);
            }
        } else if (chunkTypeIs(type, "tRNS")) {
            if (const int32_t error = readTransparency(data, length, info)) {
                return error;
            }
        } else if ((type[0] & 32) == 0) {
            return 69;
        }
        position += 12 + uint64_t{length};
    }
}

} // namespace

namespace {

int32_t decodeInto(std::span<const uint8_t> file, PngInfo& info, std::vector<uint8_t>& pixels) {
    if (file.empty() || file.data() == nullptr) {
        return 48;
    }
    if (file.size() < MIN_FILE_SIZE) {
        return 27;
    }
    if (const int32_t error = readHeader(file, info)) {
        return error;
    }
    std::vector<uint8_t> compressed;
    if (const int32_t error = walkChunks(file, info, compressed)) {
        return error;
    }
    const size_t needed = scanlineDataSize(info);
    std::vector<uint8_t> scanlines;
    if (const int32_t error = inflateZlib(compressed, scanlines, needed)) {
        return error;
    }
    if (scanlines.size() < needed) {
        return 70;
    }
    if (const int32_t error = unfilterAll(info, scanlines)) {
        return error;
    }
    pixels.resize(size_t{info.width} * info.height * 4);
    return convertAll(info, scanlines, pixels);
}

} // namespace

PngInfo decodePng(std::span<const uint8_t> file, std::vector<uint8_t>& pixels) {
    PngInfo info;
    pixels.clear();
    try {
        info.error = decodeInto(file, info, pixels);
    } catch (const std::bad_alloc&) {
        info.error = PNG_OUT_OF_MEMORY; // a large image on a machine without the memory for it
    }
    if (info.error != 0) {
        pixels.clear();
        pixels.shrink_to_fit();
    }
    return info;
}

} // namespace tessellune
