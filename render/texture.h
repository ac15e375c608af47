// Named textures and the store that materials index into (index 0 is a placeholder: "no texture").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/image.h"

namespace tessellune {

struct Texture {
    FloatImage* image = nullptr; // premultiplied float texels
    std::string name;            // the key findTexture compares
    // The same texels as loaded, one word each (render/packed_texel.h), owned; null for a texture
    // not made from bytes. A quarter of the float texels' size: a textured fill reads texels
    // scattered over the texture, and from the float copy most of its time was spent waiting on them.
    uint32_t* packed = nullptr;
};

struct TextureStore {
    std::vector<Texture*> entries; // entries[0] is the placeholder; indices never change
};

} // namespace tessellune
