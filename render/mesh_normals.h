// Giving a mesh without file normals its computed vertex normals as corner normals, so it can be lit.
//
// Conventions: the loader computes MeshVertex::normal for every vertex; file normals live in
// Mesh::normals and faces address them by normalIndex. This only acts on meshes with no file normals.
#pragma once

#include "render/mesh.h"

namespace tessellune {

// When the mesh has no normals of its own: normals := the vertex normals, and every face corner's
// normal index := its vertex index. Returns true when it changed the mesh.
bool useVertexNormalsAsCornerNormals(Mesh& mesh);

} // namespace tessellune
