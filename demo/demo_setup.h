// The start-up steps that build what the scenes need, shared by the program and the capture tool.
//
// Conventions: `dataDir` ends with its separator. Each step prints exactly the console lines the
// program's start-up shows. A PNG that cannot be decoded ends the program inside the texture
// loader (message, exit status 1); a mesh that cannot be read is an empty mesh.
#pragma once

#include <string>

#include "demo/demo_state.h"

namespace tessellune {

// The fixed seed the program starts its random generator with, before anything else is built.
inline constexpr uint32_t STARTUP_SEED = 103458469u;

// Worker pool (one worker per processor, or `workers` when not 0) and the three frame buffers.
bool createWorkersAndBuffers(DemoState& state, uint32_t workers = 0);

// Texture store, the loading message, the main camera and the pipeline (which prints its size).
bool createRenderer(DemoState& state);

// The six title cards, the three textures of the store and the particle picture.
void loadPictures(DemoState& state, const std::string& dataDir);

// The particle field from the particle picture (seeded, so the same on every run).
void buildParticles(DemoState& state);

// The sync device on dataDir + "sync" and its seventeen tracks; false when memory runs out.
bool openTracks(DemoState& state, const std::string& dataDir);

// The dune tile, the floor and the object; the dune's default material gets the vertex-lit shader.
void loadMeshes(DemoState& state, const std::string& dataDir);

// The occlusion camera and targets, then the bake over the dune tile.
bool prepareAndBakeOcclusion(DemoState& state);

// Releases what start-up built, in the shutdown order: tracks, occlusion targets, store entries,
// depth and colour buffers, then meshes, pipeline and workers.
void releaseDemo(DemoState& state);

} // namespace tessellune
