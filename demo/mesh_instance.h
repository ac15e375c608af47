// Placing a loaded mesh in the world and submitting it when its box can be seen.
#pragma once

#include "render/camera.h"
#include "render/mesh.h"
#include "render/pipeline.h"

namespace tessellune {

struct Placement {
    float scale = 1.0f;
    float translation[3] = {0, 0, 0};
    float angles[3] = {0, 0, 0}; // radians, applied about x, then y, then z
};

// Sets the mesh's scale, rotation and translation and updates its world matrix.
void placeMesh(Mesh& mesh, const Placement& placement);

// placeMesh, box corners into view space, frustum test, then submitMesh with the planes the box
// straddles. False when the box is wholly outside one plane (nothing submitted) or the pipeline
// refused the mesh.
bool submitMeshInstance(Mesh& mesh, const Placement& placement, const Matrix4& view, const Camera& camera,
                        RenderPipeline& pipeline, const Material* materialOverride);

} // namespace tessellune
