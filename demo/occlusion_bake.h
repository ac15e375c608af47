// Bakes an openness value into every vertex of the dune tile by rendering the dune scene from it.
//
// Conventions: the factor is the share of a 128 x 128 depth-only view along the vertex normal that
// nothing covers, a multiple of 2^-14 from 0 (enclosed) to 1 (open sky). Main thread only.
#pragma once

#include "demo/demo_state.h"

namespace tessellune {

// Uses state.occlusionCamera, occlusionColour and occlusionDepth (created by the caller) and the
// pipeline; writes MeshVertex::occlusion of every dune vertex. Nothing happens without a dune tile.
void bakeOcclusion(DemoState& state);

} // namespace tessellune
