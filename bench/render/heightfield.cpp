// Building a rolling height-field tile and its normals for the dune benchmark.
#include "heightfield.h"

#include <cmath>

#include "render/submit.h"

namespace tessellune::bench {

void computeBox(Mesh& mesh) {
    Vec4 lo{1e30f, 1e30f, 1e30f, 1}, hi{-1e30f, -1e30f, -1e30f, 1};
    for (const MeshVertex& v : mesh.vertices) {
        lo = {std::fmin(lo.x, v.position.x), std::fmin(lo.y, v.position.y), std::fmin(lo.z, v.position.z), 1};
        hi = {std::fmax(hi.x, v.position.x), std::fmax(hi.y, v.position.y), std::fmax(hi.z, v.position.z), 1};
    }
    for (int k = 0; k < 8; ++k) {
        mesh.boxCorners[k] = {k & 1 ? hi.x : lo.x, k & 2 ? hi.y : lo.y, k & 4 ? hi.z : lo.z, 1.0f};
    }
}

void buildHeightField(Mesh& mesh, int32_t cells, uint32_t seed) {
    const int32_t side = cells + 1;
    const float phase = static_cast<float>(seed % 97) * 0.37f;
    mesh.vertices.resize(static_cast<size_t>(side) * side);
    for (int32_t j = 0; j < side; ++j) {
        for (int32_t i = 0; i < side; ++i) {
            const float x = static_cast<float>(i) / cells - 0.5f;
            const float z = static_cast<float>(j) / cells - 0.5f;
            const float y = 0.06f * std::sin(9.0f * x + phase) * std::cos(7.0f * z - phase) +
                            0.03f * std::sin(23.0f * (x + z));
            MeshVertex& v = mesh.vertices[static_cast<size_t>(j) * side + i];
            v.position = {x, y, z, 1.0f};
            v.normal = {};
            v.occlusion = 0.55f + 0.45f * std::cos(5.0f * x) * std::cos(5.0f * z); // a baked look
        }
    }
    mesh.faces.clear();
    mesh.texcoords = {TexCoord{}};
    auto addFace = [&](int32_t a, int32_t b, int32_t c) {
        const Vec4 pa = mesh.vertices[a].position, pb = mesh.vertices[b].position,
                   pc = mesh.vertices[c].position;
        const Vec4 n = normalize(cross(sub(pb, pa), sub(pc, pa)));
        PipelineFace face;
        face.normal = n;
        face.cornerCount = 3;
        const int32_t corners[3] = {a, b, c};
        for (int k = 0; k < 3; ++k) {
            face.vertex[k] = corners[k];
            face.normalIndex[k] = corners[k];
            face.texcoord[k] = 0;
            mesh.vertices[corners[k]].normal = add(mesh.vertices[corners[k]].normal, n);
        }
        face.material = &mesh.defaultMaterial;
        mesh.faces.push_back(face);
    };
    for (int32_t j = 0; j < cells; ++j) {
        for (int32_t i = 0; i < cells; ++i) {
            const int32_t a = j * side + i;
            // Counter-clockwise seen from +y: (x, z), (x, z + 1), (x + 1, z).
            addFace(a, a + side, a + 1);
            addFace(a + 1, a + side, a + side + 1);
        }
    }
    mesh.normals.clear();
    for (MeshVertex& v : mesh.vertices) {
        v.normal = normalize(v.normal);
        mesh.normals.push_back(v.normal);
    }
    computeBox(mesh);
    indexMeshTriangles(mesh);
}

} // namespace tessellune::bench
