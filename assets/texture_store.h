// The texture store: an ordered list of named textures that materials refer to by index.
//
// Conventions: index 0 is a 2 x 2 placeholder named "dummydummydummy" and means "no texture"; the
// others follow in the order of addition and never change. Lookups compare names exactly.
#pragma once

#include <cstdint>
#include <string>

#include "render/texture.h"

namespace tessellune {

inline constexpr const char* PLACEHOLDER_TEXTURE_NAME = "dummydummydummy";

// A store holding only the placeholder (magenta and black checks, all with alpha 0).
TextureStore createTextureStore();

// Index of the first entry with exactly this name, scanning from index 0; 0 when none (which
// includes the placeholder's own name).
int32_t findTexture(const TextureStore& store, const std::string& name);

// Appends the texture and returns its index (the previous entry count).
int32_t addTexture(TextureStore& store, Texture* texture);

// findTexture, or else loadTexture(name, directory, name) and addTexture. A file that cannot be
// decoded ends the program (see loadTexture).
int32_t getOrLoadTexture(TextureStore& store, const std::string& name, const std::string& directory);

// Frees every texture in the store and empties it. The demo leaves its textures to the end of the
// process; tools and tests that build many stores call this.
void destroyTextureStore(TextureStore& store);

} // namespace tessellune
