// Fuzzes the rasterizers: faces decoded from the input, drawn on every kernel path this processor
// runs, must give the scalar path's bits and write only the pixels the coverage oracle covers.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "tests/render/path_comparison.h"

namespace {

// A few faces per input keep each run short while letting one input mix kinds and shapes.
constexpr int MAX_FACES_PER_INPUT = 8;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static tessellune::testing::PathBench bench;
    tessellune::testing::ByteReader in(data, size);
    for (int face = 0; face < MAX_FACES_PER_INPUT && !in.exhausted(); ++face) {
        const tessellune::testing::FaceCase c = tessellune::testing::decodeFace(in);
        const std::string problem = bench.check(c);
        if (!problem.empty()) {
            std::fprintf(stderr, "face %d (kind %d, rows %d..%d): %s", face, static_cast<int>(c.kind),
                         c.rowBegin, c.rowEnd, problem.c_str());
            __builtin_trap();
        }
    }
    return 0;
}
