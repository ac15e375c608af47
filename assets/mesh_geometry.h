// Derived mesh geometry: face normals, vertex normals and the model-space bounding box.
//
// Conventions: normals are (x, y, z, 0) divided by their length with no guard, so a degenerate
// face, and a vertex that no sound face uses, get 0/0 in each lane (NaN); such faces draw nothing. Box corner
// i takes max x when bit 0 of i is set, max y with bit 1, max z with bit 2, w = 0.
#pragma once

#include "render/mesh.h"

namespace tessellune {

// Face normal := normalize((P1 - P0) x (P2 - P0)) over corners 0, 1, 2.
void computeFaceNormals(Mesh& mesh);

// Vertex normal := normalize(sum of the normals of the faces that list the vertex, once per
// listing, added in face order), leaving out degenerate faces, whose normal is not finite. One pass over the
// faces gives the same sums, in the same order, as scanning every face for every vertex.
void computeVertexNormals(Mesh& mesh);

// Minima start at 1e20 and maxima at -1e20; each vertex moves them per axis.
void computeBoundingBox(Mesh& mesh);

} // namespace tessellune
