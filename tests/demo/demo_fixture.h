// A demo state built in memory for tests: workers, buffers, renderer, and tracks written to a folder.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "demo/demo_setup.h"
#include "tests/support/process.h"

namespace tessellune::testing {

struct Key {
    int32_t row;
    float value;
    int8_t type; // 0 step, 1 linear, 2 smooth, 3 ramp
};

// Writes folder/sync_NAME.track in the little-endian key format.
inline void writeTrack(const std::string& folder, const std::string& name, const std::vector<Key>& keys) {
    std::ofstream out(folder + "/sync_" + name + ".track", std::ios::binary);
    const int32_t count = static_cast<int32_t>(keys.size());
    out.write(reinterpret_cast<const char*>(&count), 4);
    for (const Key& k : keys) {
        out.write(reinterpret_cast<const char*>(&k.row), 4);
        out.write(reinterpret_cast<const char*>(&k.value), 4);
        out.write(reinterpret_cast<const char*>(&k.type), 1);
    }
}

// A demo state without loaded assets; call openTracks once the track files are written.
class DemoFixture {
public:
    DemoFixture() {
        ok = createWorkersAndBuffers(state, 2) && createRenderer(state);
    }
    ~DemoFixture() { releaseDemo(state); }

    bool openTracksHere() { return openTracks(state, folder.path() + "/"); }

    TemporaryFolder folder;
    DemoState state;
    bool ok = false;
};

inline bool anyNonZero(const FloatImage& image) {
    for (int32_t i = 0; i < image.width * image.height; ++i) {
        const Vec4& p = image.pixels[i];
        if (p.x != 0 || p.y != 0 || p.z != 0 || p.w != 0) {
            return true;
        }
    }
    return false;
}

} // namespace tessellune::testing
