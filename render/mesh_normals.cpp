// Corner normals from vertex normals for meshes whose file has none.
#include "render/mesh_normals.h"

#include "render/submit.h"

namespace tessellune {

bool useVertexNormalsAsCornerNormals(Mesh& mesh) {
    if (!mesh.normals.empty()) {
        return false;
    }
    mesh.normals.reserve(mesh.vertices.size());
    for (const MeshVertex& v : mesh.vertices) {
        mesh.normals.push_back({v.normal.x, v.normal.y, v.normal.z, 0.0f});
    }
    const int32_t count = static_cast<int32_t>(mesh.vertices.size());
    for (PipelineFace& face : mesh.faces) {
        for (int32_t k = 0; k < face.cornerCount && k < MAX_FACE_CORNERS; ++k) {
            const int32_t v = face.vertex[k];
            face.normalIndex[k] = v >= 0 && v < count ? v : -1;
        }
    }
    if (!mesh.triangles.empty()) {
        indexMeshTriangles(mesh); // the compact copies name the new normals too
    }
    return true;
}

} // namespace tessellune
