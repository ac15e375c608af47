// Fuzzes the PNG decoder (and through it the zlib decompressor) with whole file images.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "assets/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> pixels;
    const tessellune::PngInfo info = tessellune::decodePng({data, size}, pixels);
    // A success must describe exactly the pixels it returned.
    if (info.error == 0 && pixels.size() != size_t{info.width} * info.height * 4) {
        __builtin_trap();
    }
    if (info.error == 0 && (info.width == 0 || info.height == 0)) {
        __builtin_trap();
    }
    return 0;
}
