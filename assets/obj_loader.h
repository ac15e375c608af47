// Reading Wavefront OBJ files into meshes of triangles.
//
// Conventions: understood keywords are mtllib, g, usemtl, v, vn, vt and f; every other line is
// ignored. Polygons are fanned around their first corner. Stored indices: positions and normals
// 0-based (normal -1 when a corner gives none), texture coordinates as the file numbers them (0
// selects the zero entry at the front of the texture-coordinate array). Negative indices count
// back from the latest element read so far. Forward references are allowed; a face line with an
// index outside its array, fewer than 3 corners, or a line with too few numbers is skipped with a
// console line, and so is a face of more than 65536 corners. A later mtllib keeps the earlier
// materials in the mesh (faces may point at them) but only the latest library is searched by
// usemtl; naming a library already read selects its materials again without reading it twice.
// Running out of memory gives an empty mesh and the line "obj loader out of memory: the mesh is
// left empty"; nothing is thrown.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render/mesh.h"
#include "render/texture.h"

namespace tessellune {

// Reads a named material library (the MTL loader, or a stand-in in tests and fuzzing).
using MaterialLibraryReader = std::function<std::vector<Material>(const std::string& libraryName)>;

// A mesh with no geometry: scale 1, identity matrices, the default material "(unnamed)" (texture
// index -1, shader type 0), one zero texture coordinate.
std::unique_ptr<Mesh> createEmptyMesh();

// Parses OBJ text into a finished mesh (normals and bounding box computed). Prints the mtllib,
// g and usemtl lines; not the loading line.
std::unique_ptr<Mesh> parseObj(std::string_view text, const MaterialLibraryReader& readLibrary);

// Prints "---- loading [fileName]:", reads directory + fileName and parses it, reading material
// libraries and their textures from the same directory. A file that cannot be read gives an
// empty mesh (box minima 1e20, maxima -1e20).
std::unique_ptr<Mesh> loadObj(const std::string& fileName, const std::string& directory, TextureStore& store);

} // namespace tessellune
