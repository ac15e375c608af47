// Writes generated meshes as OBJ and MTL text.
#include "tools/datagen/mesh_data.h"

#include <cmath>
#include <cstdio>

namespace tessellune::datagen {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string s = text;
    if (s == "-0.000000") {
        s = "0.000000";
    }
    return s;
}

std::string cornerText(const MeshCorner& corner) {
    std::string s = std::to_string(corner.position + 1);
    if (corner.texcoord < 0 && corner.normal < 0) {
        return s;
    }
    s += "/";
    if (corner.texcoord >= 0) {
        s += std::to_string(corner.texcoord + 1);
    }
    if (corner.normal >= 0) {
        s += "/" + std::to_string(corner.normal + 1);
    }
    return s;
}

} // namespace

std::string objText(const MeshData& mesh) {
    std::string out = "# " + mesh.comment + "\n";
    if (!mesh.materialLibrary.empty()) {
        out += "mtllib " + mesh.materialLibrary + "\n";
    }
    for (const Vec4& p : mesh.positions) {
        out += "v " + number(p.x) + " " + number(p.y) + " " + number(p.z) + "\n";
    }
    for (const auto& t : mesh.texcoords) {
        out += "vt " + number(t[0]) + " " + number(t[1]) + "\n";
    }
    for (const Vec4& n : mesh.normals) {
        out += "vn " + number(n.x) + " " + number(n.y) + " " + number(n.z) + "\n";
    }
    out += "g " + mesh.group + "\n";
    int current = -2;
    for (const MeshTriangle& t : mesh.triangles) {
        if (t.material != current && t.material >= 0) {
            out += "usemtl " + mesh.materials[t.material].name + "\n";
        }
        current = t.material;
        out += "f " + cornerText(t.corners[0]) + " " + cornerText(t.corners[1]) + " " +
               cornerText(t.corners[2]) + "\n";
    }
    return out;
}

std::string mtlText(const MeshData& mesh) {
    std::string out = "# materials of " + mesh.comment + "\n";
    for (const MeshMaterial& m : mesh.materials) {
        out += "newmtl " + m.name + "\n";
        out += "Ka " + number(m.ambient[0]) + " " + number(m.ambient[1]) + " " + number(m.ambient[2]) + "\n";
        out += "Kd " + number(m.diffuse[0]) + " " + number(m.diffuse[1]) + " " + number(m.diffuse[2]) + "\n";
        out += "Ks 0.000000 0.000000 0.000000\nNs 5\nd 1.000000\n";
        if (!m.texture.empty()) {
            out += "map_Kd " + m.texture + "\n";
        }
    }
    return out;
}

Vec4 faceNormal(const MeshData& mesh, const MeshTriangle& triangle) {
    const Vec4& p0 = mesh.positions[triangle.corners[0].position];
    const Vec4& p1 = mesh.positions[triangle.corners[1].position];
    const Vec4& p2 = mesh.positions[triangle.corners[2].position];
    const Vec4 a{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z, 0.0f};
    const Vec4 b{p2.x - p0.x, p2.y - p0.y, p2.z - p0.z, 0.0f};
    Vec4 n{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length > 0.0f) {
        n = {n.x / length, n.y / length, n.z / length, 0.0f};
    }
    return n;
}

} // namespace tessellune::datagen
