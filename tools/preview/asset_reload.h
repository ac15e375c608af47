// Reloading the data folder's pictures and meshes into a running preview after they were saved.
//
// Conventions: a picture is swapped into the texture records already in use (title cards, the
// store's entries, the particle picture), so materials keep their indices; one that cannot be
// decoded prints its error and leaves the previous picture. Meshes are reloaded all together (a
// material library may serve several) and the dune tile's openness is baked again.
#pragma once

#include <string>

#include "demo/demo_state.h"

namespace tessellune {

// The picture file (a name inside dataDir) was saved: returns how many textures now show it.
int reloadPicture(DemoState& state, const std::string& dataDir, const std::string& fileName);

void reloadMeshes(DemoState& state, const std::string& dataDir);

} // namespace tessellune
