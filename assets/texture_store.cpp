// Texture store: placeholder, lookup by name, append, and load-on-first-use.
#include "assets/texture_store.h"

#include "assets/texture_loader.h"

namespace tessellune {

TextureStore createTextureStore() {
    TextureStore store;
    FloatImage* image = new FloatImage;
    image->width = 2;
    image->height = 2;
    image->pixels = new Vec4[4]{{0, 0, 0, 0}, {1, 0, 1, 0}, {1, 0, 1, 0}, {0, 0, 0, 0}};
    image->ownsPixels = true;
    store.entries.push_back(new Texture{image, PLACEHOLDER_TEXTURE_NAME});
    return store;
}

int32_t findTexture(const TextureStore& store, const std::string& name) {
    for (size_t i = 0; i < store.entries.size(); ++i) {
        if (store.entries[i]->name == name) {
            return static_cast<int32_t>(i);
        }
    }
    return 0;
}

int32_t addTexture(TextureStore& store, Texture* texture) {
    store.entries.push_back(texture);
    return static_cast<int32_t>(store.entries.size() - 1);
}

int32_t getOrLoadTexture(TextureStore& store, const std::string& name, const std::string& directory) {
    const int32_t index = findTexture(store, name);
    if (index != 0) {
        return index;
    }
    return addTexture(store, loadTexture(name, directory, name));
}

void destroyTextureStore(TextureStore& store) {
    for (Texture* texture : store.entries) {
        destroyTexture(texture);
    }
    store.entries.clear();
}

} // namespace tessellune
