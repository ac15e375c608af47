// Fuzzes the OBJ parser with arbitrary text; material libraries come from a fixed in-memory library.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "assets/mtl_loader.h"
#include "assets/obj_loader.h"

namespace {

constexpr std::string_view LIBRARY = "newmtl a\nKa 1 0 0\nnewmtl b\nmap_Kd b.png\nnewmtl a\nKd 0 1 0\n";

bool pointsIntoMesh(const tessellune::Mesh& mesh, const tessellune::Material* material) {
    return material == &mesh.defaultMaterial ||
           std::any_of(mesh.materials.begin(), mesh.materials.end(),
                       [material](const tessellune::Material& owned) { return &owned == material; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The loader reports on stdout; the fuzzer's own output goes to stderr.
    static_cast<void>(std::freopen("/dev/null", "w", stdout));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessellune;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto mesh = parseObj(
        text, [](const std::string&) { return parseMtl(LIBRARY, [](const std::string&) { return 1; }); });
    // Every stored index must address its array, and every material must be alive in the mesh.
    for (const PipelineFace& face : mesh->faces) {
        for (int c = 0; c < 3; ++c) {
            if (face.vertex[c] < 0 || size_t(face.vertex[c]) >= mesh->vertices.size() ||
                face.texcoord[c] < 0 || size_t(face.texcoord[c]) >= mesh->texcoords.size() ||
                face.normalIndex[c] < -1 || face.normalIndex[c] >= int64_t(mesh->normals.size())) {
                __builtin_trap();
            }
        }
        if (face.cornerCount != 3 || !pointsIntoMesh(*mesh, face.material)) {
            __builtin_trap();
        }
    }
    if (mesh->texcoords.empty() || mesh->texcoords[0].u != 0.0f) {
        __builtin_trap();
    }
    return 0;
}
