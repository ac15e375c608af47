// MTL parsing: one pass over the lines, emitting a material at each newmtl and at the end.
#include "assets/mtl_loader.h"

#include <cstdio>

#include "assets/file_reader.h"
#include "assets/text_lines.h"
#include "assets/texture_store.h"

namespace tessellune {
namespace {

constexpr const char* DEFAULT_MATERIAL_NAME = "defaultmaterial";

void printSkipped(int32_t lineNumber, const char* reason) {
    std::printf("mtl line %d skipped: %s\n", lineNumber, reason);
}

// Reads three floats into r, g, b of `colour`; its fourth lane is left alone.
bool readColour(const std::vector<std::string_view>& items, Vec4& colour) {
    float rgb[3];
    if (items.size() < 4) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!parseFloat(items[i + 1], rgb[i])) {
            return false;
        }
    }
    colour.x = rgb[0];
    colour.y = rgb[1];
    colour.z = rgb[2];
    return true;
}

Material startMaterial(std::string name, const Material& carried) {
    Material material;
    material.name = std::move(name);
    material.shaderType = ShaderType::Baked;
    material.textureIndex = 0;
    material.specularExponent = carried.specularExponent;
    material.opacity = carried.opacity;
    return material;
}

} // namespace

std::vector<Material> parseMtl(std::string_view text, const TextureResolver& resolveTexture) {
    std::vector<Material> result;
    Material current = startMaterial(DEFAULT_MATERIAL_NAME, Material{});
    current.opacity = 1.0f;

    LineCursor cursor{text};
    std::string_view line;
    std::vector<std::string_view> items;
    while (nextLine(cursor, line)) {
        splitItems(line, items);
        if (items.empty()) {
            continue;
        }
        const std::string_view keyword = items[0];
        if (keyword == "newmtl") {
            if (items.size() < 2) {
                printSkipped(cursor.lineNumber, "newmtl needs a name");
                continue;
            }
            if (current.name != DEFAULT_MATERIAL_NAME) {
                result.push_back(current);
            }
            current = startMaterial(std::string(items[1]), current);
        } else if (keyword == "Ka" || keyword == "Kd" || keyword == "Ks") {
            Vec4& colour = keyword == "Ka"   ? current.ambient
                           : keyword == "Kd" ? current.diffuse
                                             : current.specular;
            if (!readColour(items, colour)) {
                printSkipped(cursor.lineNumber, "a colour needs 3 numbers");
            }
        } else if (keyword == "Ns") {
            if (items.size() < 2 || !parseInteger(items[1], current.specularExponent)) {
                printSkipped(cursor.lineNumber, "Ns needs a number");
            }
        } else if (keyword == "d") {
            if (items.size() < 2 || !parseFloat(items[1], current.opacity)) {
                printSkipped(cursor.lineNumber, "d needs a number");
            }
        } else if (keyword == "map_Kd") {
            if (items.size() < 2) {
                printSkipped(cursor.lineNumber, "map_Kd needs a file name");
                continue;
            }
            const std::string fileName(items[1]);
            std::printf("texture filename is [%s]\n", fileName.c_str());
            current.textureIndex = resolveTexture(fileName);
        }
    }
    result.push_back(current);
    return result;
}

std::vector<Material> loadMtl(const std::string& directory, const std::string& libraryName,
                              TextureStore& store) {
    const std::vector<uint8_t> bytes = readFile(directory + libraryName);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return parseMtl(
        text, [&](const std::string& fileName) { return getOrLoadTexture(store, fileName, directory); });
}

} // namespace tessellune
