// Named textures and the store that materials index into (index 0 is a placeholder: "no texture").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "render/image.h"

namespace tessellune {

struct Texture {
    FloatImage* image = nullptr; // premultiplied float texels
    std::string name;            // the key findTexture compares
};

struct TextureStore {
    std::vector<Texture*> entries; // entries[0] is the placeholder; indices never change
};

} // namespace tessellune
