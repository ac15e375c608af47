// The three meshes of the show: the dune tile, the teal floor and the scene-6 object.
//
// Conventions (model space, before the scenes place them):
// - dune tile: a 1 x 1 height field over x, z in [-0.5, 0.5], heights along +y between 0.02 and
//   about 0.33, faces and normals pointing up (+y). The scenes turn it a quarter turn about x, so +y
//   becomes world +z; the field is seamless, so tiles laid edge to edge join without cracks.
// - teal floor: a 2 x 2 square in the z = 0 plane facing -z; the scenes turn it half a turn about
//   x, so it faces world +z, the side the dune field rises towards.
// - object: a closed (2, 3) torus-knot tube about 2.7 units across, faces pointing outwards.
#pragma once

#include "tools/datagen/mesh_data.h"

namespace tessellune::datagen {

inline constexpr int DUNE_CELLS = 16; // quads per side: 17 x 17 vertices, 512 triangles

// Height of the dune surface at (x, z) of the tile; periodic with period 1 in x and in z.
double duneHeight(double x, double z);

MeshData makeDuneTile();
MeshData makeTealFloor();
MeshData makeKnotObject();

} // namespace tessellune::datagen
