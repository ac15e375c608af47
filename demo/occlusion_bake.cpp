// The occlusion bake: a depth-only render of the dune field from each vertex of the probe tile.
#include "demo/occlusion_bake.h"

#include <cstring>

#include "demo/mesh_instance.h"
#include "render/band.h"
#include "render/clip.h"
#include "render/submit.h"
#include "workers/pass_order.h"

namespace tessellune {

namespace {

constexpr float QUARTER_TURN = 1.5707964f;
constexpr float HALF_TURN = 3.1415927f;
constexpr Vec4 TILE_DIFFUSE = {2.98828125f, 1.59375f, 0.1875f, 0.0f};
constexpr int32_t ALL_PLANES_UNCLASSIFIED = 0xffff;  // the floor is clipped without a box test
constexpr float EMPTY_PIXEL_SHARE = 1.0f / 16384.0f; // one pixel of the 128 x 128 probe view

Placement probePlacement() {
    Placement p;
    p.scale = 10.0f;
    p.translation[0] = 10.0f;
    p.translation[1] = 30.0f; // coincides with the field's tile at row 3, column 6
    p.angles[0] = QUARTER_TURN;
    return p;
}

void submitProbeScene(DemoState& state, const Matrix4& view) {
    Mesh& dune = *state.dune;
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 10; ++c) {
            dune.defaultMaterial.diffuse = TILE_DIFFUSE;
            dune.defaultMaterial.shaderType = Baked;
            Placement tile;
            tile.scale = 10.0f;
            tile.translation[0] = static_cast<float>(c * 10.0 - 50.0);
            tile.translation[1] = static_cast<float>(r * 10.0);
            tile.angles[0] = QUARTER_TURN;
            submitMeshInstance(dune, tile, view, state.occlusionCamera, state.pipeline, nullptr);
        }
    }
    if (state.floor) {
        Placement floor;
        floor.scale = 5000.0f;
        floor.angles[0] = HALF_TURN;
        placeMesh(*state.floor, floor);
        transformBoxCorners(*state.floor, view);
        submitMesh(*state.floor, view, state.occlusionCamera, state.pipeline, ALL_PLANES_UNCLASSIFIED,
                   nullptr);
    }
}

} // namespace

void bakeOcclusion(DemoState& state) {
    if (!state.dune) {
        return;
    }
    Mesh& dune = *state.dune;
    DepthImage& depth = state.occlusionDepth;
    const size_t pixelCount = static_cast<size_t>(depth.width) * depth.height;
    for (MeshVertex& vertex : dune.vertices) {
        placeMesh(dune, probePlacement());
        const Matrix4 world = dune.world;
        const Vec4 eye = transformPoint(world, vertex.position);
        Vec4 direction = transformDirection(world, vertex.normal);
        direction.w = 0.0f;
        direction = normalize(direction);
        Matrix4 view;
        makeLookAt(&eye.x, direction, view);

        std::memset(depth.pixels, 0, pixelCount * sizeof(uint32_t));
        beginScene(state.pipeline);
        submitProbeScene(state, view);
        runFrontEnd(state.frontEnd, state.pool, state.pipeline);
        projectAndOrderOnPool(state.pool, state.pipeline, state.occlusionCamera);
        renderDepthOnly(state.pipeline, depth.height, state.occlusionColour, depth);

        int32_t empty = 0;
        for (size_t i = 0; i < pixelCount; ++i) {
            empty += depth.pixels[i] == 0 ? 1 : 0;
        }
        vertex.occlusion = static_cast<float>(empty) * EMPTY_PIXEL_SHARE;
    }
}

} // namespace tessellune
