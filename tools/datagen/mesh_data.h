// A polygon mesh as the data generator builds it, and its Wavefront OBJ / MTL text.
//
// Conventions: right-handed model space. Faces are triangles listed counter-clockwise as seen from
// the side they face, so (p1 - p0) x (p2 - p0) points out of the visible side: that is the normal
// the loader computes and culls with. Indices are 0-based here and written 1-based.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "math/vec4.h"

namespace tessellune::datagen {

struct MeshCorner {
    int position = 0;
    int texcoord = -1; // -1: the corner names no texture coordinate
    int normal = -1;   // -1: the corner names no normal
};

struct MeshTriangle {
    std::array<MeshCorner, 3> corners;
    int material = -1; // index into MeshData::materials; -1 keeps the loader's default material
};

struct MeshMaterial {
    std::string name;
    float ambient[3] = {0, 0, 0};
    float diffuse[3] = {0, 0, 0};
    std::string texture; // "map_Kd" file name; empty for none
};

struct MeshData {
    std::string comment; // first line of the OBJ, after "# "
    std::vector<Vec4> positions;
    std::vector<Vec4> normals;
    std::vector<std::array<float, 2>> texcoords;
    std::vector<MeshTriangle> triangles;
    std::vector<MeshMaterial> materials;
    std::string materialLibrary; // "mtllib" name; empty: the mesh has no library
    std::string group = "mesh";  // the "g" line
};

// The OBJ text. Numbers are printed with a fixed number of digits so output is byte-identical.
std::string objText(const MeshData& mesh);
// The MTL text for the mesh's materials.
std::string mtlText(const MeshData& mesh);

// The unit normal of a triangle the way the loader computes it from its corners.
Vec4 faceNormal(const MeshData& mesh, const MeshTriangle& triangle);

} // namespace tessellune::datagen
