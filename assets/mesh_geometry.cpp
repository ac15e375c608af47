// Face normals, vertex normals (one pass over the faces) and the bounding box of a loaded mesh.
#include "assets/mesh_geometry.h"

#include <cmath>
#include <vector>

namespace tessellune {

void computeFaceNormals(Mesh& mesh) {
    for (PipelineFace& face : mesh.faces) {
        const Vec4& p0 = mesh.vertices[size_t(face.vertex[0])].position;
        const Vec4& p1 = mesh.vertices[size_t(face.vertex[1])].position;
        const Vec4& p2 = mesh.vertices[size_t(face.vertex[2])].position;
        Vec4 n = cross(sub(p1, p0), sub(p2, p0));
        n.w = 0.0f;
        face.normal = normalize(n);
    }
}

void computeVertexNormals(Mesh& mesh) {
    std::vector<Vec4> sums(mesh.vertices.size());
    for (const PipelineFace& face : mesh.faces) {
        // A face with two equal or collinear corners has no direction (its normal is NaN); adding
        // it would spread NaN to every vertex it shares with sound faces.
        if (!std::isfinite(face.normal.x) || !std::isfinite(face.normal.y) || !std::isfinite(face.normal.z)) {
            continue;
        }
        for (int32_t corner = 0; corner < face.cornerCount && corner < MAX_FACE_CORNERS; ++corner) {
            const int32_t v = face.vertex[corner];
            if (v >= 0 && size_t(v) < sums.size()) {
                sums[size_t(v)] = add(sums[size_t(v)], face.normal);
            }
        }
    }
    for (size_t i = 0; i < sums.size(); ++i) {
        mesh.vertices[i].normal = normalize(sums[i]);
    }
}

void computeBoundingBox(Mesh& mesh) {
    float minimum[3] = {1e20f, 1e20f, 1e20f};
    float maximum[3] = {-1e20f, -1e20f, -1e20f};
    for (const MeshVertex& vertex : mesh.vertices) {
        const float p[3] = {vertex.position.x, vertex.position.y, vertex.position.z};
        for (int axis = 0; axis < 3; ++axis) {
            if (p[axis] < minimum[axis]) {
                minimum[axis] = p[axis];
            }
            if (p[axis] > maximum[axis]) {
                maximum[axis] = p[axis];
            }
        }
    }
    for (int i = 0; i < 8; ++i) {
        mesh.boxCorners[i] = Vec4{(i & 1) ? maximum[0] : minimum[0], (i & 2) ? maximum[1] : minimum[1],
                                  (i & 4) ? maximum[2] : minimum[2], 0.0f};
    }
}

} // namespace tessellune
