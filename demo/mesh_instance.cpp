// Mesh placement and the box-tested submission every mesh scene and the occlusion bake use.
#include "demo/mesh_instance.h"

#include "render/submit.h"

namespace tessellune {

void placeMesh(Mesh& mesh, const Placement& placement) {
    mesh.scale = placement.scale;
    mesh.translation =
        translationMatrix(placement.translation[0], placement.translation[1], placement.translation[2]);
    mesh.rotation = identityMatrix();
    rotateX(mesh.rotation, placement.angles[0]);
    rotateY(mesh.rotation, placement.angles[1]);
    rotateZ(mesh.rotation, placement.angles[2]);
    updateWorldMatrix(mesh);
}

bool submitMeshInstance(Mesh& mesh, const Placement& placement, const Matrix4& view, const Camera& camera,
                        RenderPipeline& pipeline, const Material* materialOverride) {
    placeMesh(mesh, placement);
    transformBoxCorners(mesh, view);
    const int32_t mask = classifyBox(camera, mesh.transformedBoxCorners);
    if (mask == OUTSIDE) {
        return false;
    }
    return submitMesh(mesh, view, camera, pipeline, mask, materialOverride);
}

} // namespace tessellune
