// Fuzzes the PNG decoder (and through it the zlib decompressor) with whole file images.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "assets/png_decoder.h"

namespace {

// Bigger images decode through the same code; a few kilobytes of input can legitimately describe
// a 128 MB image, which only slows the search down (and trips its timeout under ASan).
constexpr uint64_t MAX_FUZZED_PIXELS = uint64_t{1} << 22;

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 24 && uint64_t{bigEndian32(data + 16)} * bigEndian32(data + 20) > MAX_FUZZED_PIXELS) {
        return -1; // not added to the corpus
    }
    std::vector<uint8_t> pixels;
    const tessellune::PngInfo info = tessellune::decodePng({data, size}, pixels);
    // A success must describe exactly the pixels it returned, and at least one.
    if (info.error == 0 &&
        (info.width == 0 || info.height == 0 || pixels.size() != size_t{info.width} * info.height * 4)) {
        __builtin_trap();
    }
    return 0;
}
