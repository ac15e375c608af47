// FNV-1a over the red, green and blue bytes of every display word of a frame.
#include "tools/common/frame_hash.h"

#include <cstdio>

namespace tessellune::tools {

namespace {

constexpr uint64_t FNV_OFFSET = 0xcbf29ce484222325ull;
constexpr uint64_t FNV_PRIME = 0x100000001b3ull;

} // namespace

uint64_t hashFrame(const uint32_t* pixels, int32_t width, int32_t height) {
    uint64_t hash = FNV_OFFSET;
    const int64_t count = static_cast<int64_t>(width) * height;
    for (int64_t i = 0; i < count; ++i) {
        const uint32_t word = pixels[i];
        for (const uint32_t shift : {16u, 8u, 0u}) {
            hash ^= (word >> shift) & 0xFFu;
            hash *= FNV_PRIME;
        }
    }
    return hash;
}

std::string hashText(uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace tessellune::tools
