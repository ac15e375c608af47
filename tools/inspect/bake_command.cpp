// "bake DIR": loads the data folder's meshes as the demo does, runs the occlusion bake over the dune
// tile and prints the range and a ten-bin histogram of the baked factors.
#include <algorithm>
#include <cstdio>
#include <string>

#include "commands.h"
#include "demo/demo_setup.h"

namespace tessellune::inspect {

int runBakeCommand(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessellune-inspect bake DIR\n");
        return 2;
    }
    std::string dataDir = argv[1];
    if (dataDir.empty() || dataDir.back() != '/') {
        dataDir += '/';
    }
    DemoState state;
    if (!createWorkersAndBuffers(state, 1) || !createRenderer(state)) {
        std::fprintf(stderr, "out of memory\n");
        return 1;
    }
    loadMeshes(state, dataDir);
    if (!state.dune || state.dune->vertices.empty()) {
        std::fprintf(stderr, "no dune tile in %s\n", dataDir.c_str());
        return 1;
    }
    if (!prepareAndBakeOcclusion(state)) {
        std::fprintf(stderr, "out of memory while creating the occlusion targets\n");
        return 1;
    }
    constexpr int bins = 10;
    int counts[bins] = {};
    float low = 1.0f, high = 0.0f;
    for (const MeshVertex& v : state.dune->vertices) {
        low = std::min(low, v.occlusion);
        high = std::max(high, v.occlusion);
        ++counts[std::clamp(static_cast<int>(v.occlusion * bins), 0, bins - 1)];
    }
    std::printf("vertices %zu\nrange %.4f %.4f\n", state.dune->vertices.size(), low, high);
    for (int b = 0; b < bins; ++b) {
        std::printf("%.1f-%.1f %5d\n", b / double(bins), (b + 1) / double(bins), counts[b]);
    }
    return 0;
}

} // namespace tessellune::inspect
