// The benchmark scenes: particle-ring cubes, the dune field, a loaded model and full-screen fills.
#pragma once

#include <cstdint>
#include <vector>

#include "frame_runner.h"
#include "render/light.h"
#include "render/mesh.h"

namespace tessellune::bench {

struct CubeRings {
    int32_t count = 9000;
    std::vector<Vec4> positions;
    std::vector<Material> materials;
    Matrix4 view;
};
void buildCubeRings(CubeRings& scene);
void submitCubeRings(FrameContext& context, int32_t frame, void* scene);

struct DuneField {
    Mesh tile;
    Mesh floor;
    Matrix4 view;
    Light light;
};
void buildDuneField(DuneField& scene);
void submitDuneField(FrameContext& context, int32_t frame, void* scene);

// A loaded model turning in front of the camera, filling about half the frame's height.
struct ModelScene {
    Mesh* mesh = nullptr;
    const Material* material = nullptr; // replaces the mesh's own materials
    Light light;
};
void submitModel(FrameContext& context, int32_t frame, void* scene);

// Two triangles covering the whole screen with one material.
struct FillScene {
    Material material;
    Light light;
};
void submitFill(FrameContext& context, int32_t frame, void* scene);

} // namespace tessellune::bench
