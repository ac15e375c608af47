// A demo state built in memory for tests: workers, buffers, renderer, and tracks written to a folder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "demo/demo_setup.h"
#include "tests/render/scene_helpers.h"
#include "tests/sync/scratch_files.h"

namespace tessellune::testing {

// Writes folder/sync_NAME.track in the little-endian key format.
inline void writeTrack(const std::string& folder, const std::string& name, const std::vector<SyncKey>& keys) {
    std::string bytes = le32(static_cast<uint32_t>(keys.size()));
    for (const SyncKey& k : keys) {
        bytes += keyBytes(k.row, k.value, k.type);
    }
    writeFile(folder + "/sync_" + name + ".track", bytes);
}

using TrackKeys = std::vector<std::pair<std::string, std::vector<SyncKey>>>;

// A demo state without loaded assets, its tracks written to the folder and opened; ok when all of
// it could be made.
class DemoFixture {
public:
    explicit DemoFixture(const TrackKeys& tracks = {}) {
        for (const auto& [name, keys] : tracks) {
            writeTrack(folder.path(), name, keys);
        }
        ok = createWorkersAndBuffers(state, 2) && createRenderer(state) &&
             openTracks(state, folder.path() + "/");
    }
    ~DemoFixture() { releaseDemo(state); }

    TemporaryFolder folder;
    DemoState state;
    bool ok = false;
};

// A flat square tile in its xz plane (y up), two triangles facing +y.
inline std::unique_ptr<Mesh> makeTile() {
    auto mesh = std::make_unique<Mesh>();
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}; // x and z
    for (const auto& corner : corners) {
        MeshVertex& vertex = mesh->vertices.emplace_back();
        vertex.position = {corner[0], 0, corner[1], 1};
        vertex.normal = {0, 1, 0, 0};
    }
    mesh->texcoords.resize(1);
    mesh->defaultMaterial.name = "(unnamed)";
    mesh->defaultMaterial.textureIndex = -1;
    mesh->faces = {meshTriangle(0, 2, 1, {0, 1, 0, 0}, &mesh->defaultMaterial),
                   meshTriangle(0, 3, 2, {0, 1, 0, 0}, &mesh->defaultMaterial)};
    for (int i = 0; i < 8; ++i) {
        mesh->boxCorners[i] = {(i & 1) ? 1.0f : -1.0f, (i & 2) ? 0.5f : 0.0f, (i & 4) ? 1.0f : -1.0f, 0};
    }
    return mesh;
}

inline bool anyNonZero(const FloatImage& image) {
    return std::any_of(image.pixels, image.pixels + image.width * image.height,
                       [](const Vec4& p) { return p.x != 0 || p.y != 0 || p.z != 0 || p.w != 0; });
}

} // namespace tessellune::testing
