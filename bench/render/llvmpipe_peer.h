// The benchmark's peer: the same pass drawn by Mesa's llvmpipe through OSMesa, timed per frame.
//
// Conventions: the peer takes the pass as the pipeline holds it after submission (view-space
// vertices, corner normals, materials), so both renderers draw the same triangles with the same
// projection into a 640 x 480 viewport; modelview is the identity. Baked faces are unlit vertex
// colours (material colour x occlusion); lit faces use fixed-function lighting from the pass's
// lights (ambient = the material colour, diffuse with quadratic falloff, as ours).
#pragma once

#include <cstdint>
#include <vector>

#include "render/pipeline.h"

namespace tessellune::bench {

struct PeerContext {
    void* context = nullptr;   // the OSMesa context
    std::vector<uint8_t> rgba; // the peer's frame, rows from the top
    std::vector<float> arrays; // interleaved position (3), normal (3), colour (4) per corner
    int32_t corners = 0;
    bool lit = false;
    int32_t threads = 0; // LP_NUM_THREADS as llvmpipe was started with
};

// Starts llvmpipe with `threads` rasterizer threads (LP_NUM_THREADS); false when OSMesa fails.
bool createPeer(PeerContext& peer, int32_t threads);
void destroyPeer(PeerContext& peer);

// Copies the pipeline's current pass into the peer's arrays and sets its lights and projection.
void loadPeerPass(PeerContext& peer, const RenderPipeline& pipeline, const float projection[16]);

// Clears, draws the loaded pass and waits for llvmpipe to finish; returns the wall time in ms.
double drawPeerFrame(PeerContext& peer);

} // namespace tessellune::bench
