// Swapping reloaded pictures into the textures in use; reloading and re-baking the meshes.
#include "tools/preview/asset_reload.h"

#include <cstdio>
#include <utility>

#include "assets/texture_loader.h"
#include "demo/demo_setup.h"
#include "demo/occlusion_bake.h"

namespace tessellune {

namespace {

// The file a texture was loaded from: start-up names title cards and the particle picture after
// the file without ".png", and one store entry "colors" after colors512.png; the others by file.
bool loadedFrom(const Texture& texture, const std::string& fileName) {
    if (texture.name == fileName || texture.name + ".png" == fileName) {
        return true;
    }
    return texture.name == "colors" && fileName == "colors512.png";
}

} // namespace

int reloadPicture(DemoState& state, const std::string& dataDir, const std::string& fileName) {
    std::vector<Texture*> users;
    for (Texture* card : state.cards) {
        if (card != nullptr && loadedFrom(*card, fileName)) {
            users.push_back(card);
        }
    }
    for (size_t i = 1; i < state.store.entries.size(); ++i) {
        if (state.store.entries[i] != nullptr && loadedFrom(*state.store.entries[i], fileName)) {
            users.push_back(state.store.entries[i]);
        }
    }
    const bool particles = state.particlePicture != nullptr && loadedFrom(*state.particlePicture, fileName);
    if (particles) {
        users.push_back(state.particlePicture);
    }
    for (Texture* user : users) {
        int32_t error = 0;
        Texture* fresh = tryLoadTexture(fileName, dataDir, user->name, error);
        if (fresh == nullptr) {
            std::printf("\n%s: error(%d) decoding it, keeping the previous picture\n", fileName.c_str(),
                        error);
            return 0;
        }
        std::swap(user->image, fresh->image);
        std::swap(user->packed, fresh->packed);
        destroyTexture(fresh);
    }
    if (particles && state.particlePicture->image != nullptr) {
        state.particles = buildParticleField(*state.particlePicture->image);
    }
    return static_cast<int>(users.size());
}

void reloadMeshes(DemoState& state, const std::string& dataDir) {
    loadMeshes(state, dataDir);
    bakeOcclusion(state);
}

} // namespace tessellune
