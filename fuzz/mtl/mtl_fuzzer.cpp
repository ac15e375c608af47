// Fuzzes the MTL parser with arbitrary text; texture names resolve to made-up store indices.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "assets/mtl_loader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The loader reports on stdout; the fuzzer's own output goes to stderr.
    static_cast<void>(std::freopen("/dev/null", "w", stdout));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessellune;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    int32_t nextIndex = 1;
    const std::vector<Material> materials = parseMtl(text, [&](const std::string&) { return nextIndex++; });
    // A library always yields at least one material, each from a library and each checked.
    if (materials.empty()) {
        __builtin_trap();
    }
    for (const Material& material : materials) {
        if (material.check != MATERIAL_CHECK_WORD || material.shaderType != -1 || material.textureIndex < 0 ||
            material.textureIndex >= nextIndex || material.ambient.w != 0.0f) {
            __builtin_trap();
        }
    }
    return 0;
}
