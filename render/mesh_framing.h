// Framing one mesh for a preview: centred in front of the camera, turned about its vertical axis,
// lit from beside the eye.
//
// Conventions: the view is the identity (the eye at the origin looking down -z); the mesh's box
// (corner 0 the minimum, corner 7 the maximum) decides its centre and size.
#pragma once

#include "render/light.h"
#include "render/mesh.h"

namespace tessellune {

struct MeshFraming {
    Matrix4 view;
    Light light;
    float distance = 0.0f; // from the eye to the mesh's centre
};

// Sets the mesh's scale, rotation and translation (and world matrix) so that its largest extent is
// 10 units and covers `fill` of the frame's height, turned by `yaw` radians; fills the view and
// the light.
void frameMeshInView(Mesh& mesh, float yaw, float fill, MeshFraming& setup);

} // namespace tessellune
