// "bake DIR [--values FILE]": loads the data folder's meshes as the demo does, runs the occlusion
// bake over the dune tile and prints the factors' range, mean and a ten-bin histogram.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "demo/demo_setup.h"

namespace tessellune::inspect {

namespace {

constexpr int BINS = 10;

void printFactors(const Mesh& dune) {
    int counts[BINS] = {};
    float low = 1.0f, high = 0.0f;
    double sum = 0.0;
    for (const MeshVertex& v : dune.vertices) {
        low = std::min(low, v.occlusion);
        high = std::max(high, v.occlusion);
        sum += v.occlusion;
        ++counts[std::clamp(static_cast<int>(v.occlusion * BINS), 0, BINS - 1)];
    }
    std::printf("vertices %zu\nrange %.4f %.4f\nmean %.4f\n", dune.vertices.size(), low, high,
                sum / static_cast<double>(dune.vertices.size()));
    for (int b = 0; b < BINS; ++b) {
        std::printf("%.1f-%.1f %6d\n", b / double(BINS), (b + 1) / double(BINS), counts[b]);
    }
}

} // namespace

int runBakeCommand(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--values") == 0)) {
        std::fprintf(stderr, "usage: tessellune-inspect bake DIR [--values FILE]\n");
        return 2;
    }
    std::string dataDir = argv[1];
    if (dataDir.empty() || dataDir.back() != '/') {
        dataDir += '/';
    }
    DemoState state;
    int status = 0;
    if (!createWorkersAndBuffers(state, 1) || !createRenderer(state)) {
        std::fprintf(stderr, "out of memory\n");
        status = 1;
    } else {
        loadMeshes(state, dataDir);
        if (!state.dune || state.dune->vertices.empty()) {
            std::fprintf(stderr, "no dune tile in %s\n", dataDir.c_str());
            status = 1;
        } else if (!prepareAndBakeOcclusion(state)) {
            std::fprintf(stderr, "out of memory while creating the occlusion targets\n");
            status = 1;
        } else {
            printFactors(*state.dune);
            if (argc == 4) {
                // One factor a line, in vertex order, for comparing two bakes.
                FILE* out = std::fopen(argv[3], "w");
                for (const MeshVertex& v : state.dune->vertices) {
                    if (out != nullptr) {
                        std::fprintf(out, "%.9g\n", v.occlusion);
                    }
                }
                status = out != nullptr && std::fclose(out) == 0 ? 0 : 1;
            }
        }
    }
    releaseDemo(state); // stops the worker before the process ends
    return status;
}

} // namespace tessellune::inspect
