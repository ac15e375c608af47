// Reading MTL material libraries into Material records.
//
// Conventions: understood keywords are newmtl, Ka, Kd, Ks, Ns, d and map_Kd; every other line is
// ignored. Every material read from a library gets shader type -1 (Baked) and the check word.
// Properties given before the first newmtl belong to "defaultmaterial", which is listed only when
// the library declares no material at all. Ns and d carry over from one material to the next.
// A line with fewer numbers or names than its keyword needs is skipped with a console line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "render/material.h"
#include "render/texture.h"

namespace tessellune {

// Turns a map_Kd file name into a texture-store index.
using TextureResolver = std::function<int32_t(const std::string& textureFileName)>;

// Parses library text. Prints "texture filename is [NAME]" for every map_Kd.
std::vector<Material> parseMtl(std::string_view text, const TextureResolver& resolveTexture);

// Reads directory + libraryName; textures resolve through getOrLoadTexture in the same directory.
// A library that cannot be read yields the one material "defaultmaterial".
std::vector<Material> loadMtl(const std::string& directory, const std::string& libraryName,
                              TextureStore& store);

} // namespace tessellune
