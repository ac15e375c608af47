// Loading a PNG file into a named texture of premultiplied float texels.
//
// Conventions: texels are four floats r, g, b, a, premultiplied by alpha, rows from the top of the
// picture down, 16-byte aligned. Each 8-bit channel c becomes float(c x (1/255) in double), then
// r, g and b are multiplied by a in single precision. Directories end with their separator and
// are joined to file names by plain concatenation.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "render/texture.h"

namespace tessellune {

// Converts RGBA8 pixels (width x height x 4 bytes) into a new owning image of premultiplied texels;
// null when the texels do not fit in memory.
FloatImage* makeTextureImage(std::span<const uint8_t> rgba, int32_t width, int32_t height);

// The same pixels one word each, r in the lowest byte (render/packed_texel.h); null when they do not
// fit in memory. Owned by the caller (delete[]).
uint32_t* makePackedTexels(std::span<const uint8_t> rgba, int32_t width, int32_t height);

// Reads directory + fileName and decodes it. On success returns a new texture named textureName
// and sets error to 0; otherwise returns null with the decoder's error number (48 for a missing,
// unreadable or empty file, 74 when the texels do not fit in memory).
Texture* tryLoadTexture(const std::string& fileName, const std::string& directory,
                        const std::string& textureName, int32_t& error);

// As tryLoadTexture, but a file that cannot be decoded ends the program: it prints
// "error(N) decoding png from [fileName]", waits for one key when stdin is a terminal, and exits
// with status 1.
Texture* loadTexture(const std::string& fileName, const std::string& directory,
                     const std::string& textureName);

// Frees a texture made by the loader: its image's pixels, its image, its packed texels and the
// record itself.
void destroyTexture(Texture* texture);

} // namespace tessellune
