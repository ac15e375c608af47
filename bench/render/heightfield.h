// A procedural dune tile: a height field of triangles with face and vertex normals, built in code.
#pragma once

#include <cstdint>

#include "render/mesh.h"

namespace tessellune::bench {

// cells x cells squares (2 triangles each) over x, z in [-0.5, 0.5] with rolling heights in y;
// faces counter-clockwise seen from above, corner normals are the averaged vertex normals.
void buildHeightField(Mesh& mesh, int32_t cells, uint32_t seed);

// Fills boxCorners from the vertices (bit 0: max x, bit 1: max y, bit 2: max z).
void computeBox(Mesh& mesh);

} // namespace tessellune::bench
