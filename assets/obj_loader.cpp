// OBJ parsing: positions, normals, texture coordinates and fanned faces with their materials.
#include "assets/obj_loader.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <utility>

#include "assets/file_reader.h"
#include "assets/mesh_geometry.h"
#include "assets/mtl_loader.h"
#include "assets/text_lines.h"
#include "render/submit.h"

namespace tessellune {
namespace {

// Marks an index that could not be resolved; it fails every range check.
constexpr int32_t BAD_INDEX = std::numeric_limits<int32_t>::min();

// No modelled polygon comes near this; a face line beyond it is garbage whose triangles alone
// would take memory without bound.
constexpr size_t MAX_FACE_CORNERS = 65536;

struct ParseState {
    Mesh& mesh;
    std::vector<Vec4> positions{};
    std::vector<Vec4> normals{};
    std::vector<TexCoord> texcoords{};
    std::vector<int32_t> faceLines{}; // the line each triangle came from, for reporting
    // The latest library's materials: [activeBegin, activeEnd) of the mesh's materials.
    size_t activeBegin = 0;
    size_t activeEnd = 0;
    // Libraries already read, with where their materials stand: naming one again selects those
    // materials instead of reading (and storing) the same library once more.
    std::vector<std::pair<std::string, std::pair<size_t, size_t>>> libraries{};
    std::string materialName = "defaultmat";
    const Material* material = nullptr;
};

void printSkipped(int32_t lineNumber, const char* reason) {
    std::printf("obj line %d skipped: %s\n", lineNumber, reason);
}

// Reads `count` floats from items 1..count; false when any is missing or not a number.
bool readFloats(const std::vector<std::string_view>& items, float* values, size_t count) {
    if (items.size() < count + 1) {
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        if (!parseFloat(items[i + 1], values[i])) {
            return false;
        }
    }
    return true;
}

// The face material: the last material of the active library with the current name, else the
// mesh's default material.
void selectMaterial(ParseState& state) {
    state.material = &state.mesh.defaultMaterial;
    for (size_t i = state.activeBegin; i < state.activeEnd; ++i) {
        if (state.mesh.materials[i].name == state.materialName) {
            state.material = &state.mesh.materials[i];
        }
    }
}

// Part k (0-based) of a corner token split at "/"; an empty or absent part reads as 0.
int32_t cornerPart(std::string_view token, int32_t part) {
    for (int32_t k = 0; k < part; ++k) {
        const size_t slash = token.find('/');
        if (slash == std::string_view::npos) {
            return 0;
        }
        token.remove_prefix(slash + 1);
    }
    int32_t value = 0;
    return parseInteger(token.substr(0, token.find('/')), value) ? value : 0;
}

struct Corner {
    int32_t vertex;
    int32_t texcoord;
    int32_t normal;
};

// Resolves one corner against the counts read so far. Positive numbers are checked later,
// against the final counts; negative ones count back from the latest element now.
Corner resolveCorner(std::string_view token, const ParseState& state) {
    const int32_t p = cornerPart(token, 0);
    const int32_t t = cornerPart(token, 1);
    const int32_t n = cornerPart(token, 2);
    const int64_t positionCount = int64_t(state.positions.size());
    const int64_t texcoordCount = int64_t(state.texcoords.size());
    const int64_t normalCount = int64_t(state.normals.size());
    Corner corner{};
    if (p > 0) {
        corner.vertex = p - 1;
    } else {
        corner.vertex = (p < 0 && positionCount + p >= 0) ? int32_t(positionCount + p) : BAD_INDEX;
    }
    if (t >= 0) {
        corner.texcoord = t;
    } else {
        corner.texcoord = texcoordCount + t >= 0 ? int32_t(texcoordCount + t + 1) : BAD_INDEX;
    }
    if (n > 0) {
        corner.normal = n - 1;
    } else if (n == 0) {
        corner.normal = -1;
    } else {
        corner.normal = normalCount + n >= 0 ? int32_t(normalCount + n) : BAD_INDEX;
    }
    return corner;
}

void readFace(ParseState& state, const std::vector<std::string_view>& items, int32_t lineNumber) {
    if (items.size() < 4) {
        printSkipped(lineNumber, "a face needs at least 3 corners");
        return;
    }
    if (items.size() - 1 > MAX_FACE_CORNERS) {
        printSkipped(lineNumber, "a face has more than 65536 corners");
        return;
    }
    if (state.material == nullptr) {
        selectMaterial(state);
    }
    const Corner first = resolveCorner(items[1], state);
    Corner previous = resolveCorner(items[2], state);
    for (size_t k = 3; k < items.size(); ++k) {
        const Corner next = resolveCorner(items[k], state);
        PipelineFace face;
        const Corner corners[3] = {first, previous, next};
        for (int c = 0; c < 3; ++c) {
            face.vertex[c] = corners[c].vertex;
            face.texcoord[c] = corners[c].texcoord;
            face.normalIndex[c] = corners[c].normal;
        }
        face.cornerCount = 3;
        face.material = state.material;
        state.mesh.faces.push_back(face);
        state.faceLines.push_back(lineNumber);
        previous = next;
    }
}

bool faceInRange(const PipelineFace& face, const ParseState& state) {
    for (int c = 0; c < 3; ++c) {
        if (face.vertex[c] < 0 || size_t(face.vertex[c]) >= state.positions.size() || face.texcoord[c] < 0 ||
            size_t(face.texcoord[c]) > state.texcoords.size() || face.normalIndex[c] < -1 ||
            (face.normalIndex[c] >= 0 && size_t(face.normalIndex[c]) >= state.normals.size())) {
            return false;
        }
    }
    return true;
}

// Drops every triangle of each face line that has an index outside its array.
void dropFacesOutOfRange(ParseState& state) {
    std::vector<PipelineFace>& faces = state.mesh.faces;
    std::vector<bool> keep(faces.size(), true);
    for (size_t first = 0; first < faces.size();) {
        size_t end = first;
        bool inRange = true;
        while (end < faces.size() && state.faceLines[end] == state.faceLines[first]) {
            inRange = inRange && faceInRange(faces[end], state);
            ++end;
        }
        if (!inRange) {
            printSkipped(state.faceLines[first], "a face index is out of range");
            std::fill(keep.begin() + std::ptrdiff_t(first), keep.begin() + std::ptrdiff_t(end), false);
        }
        first = end;
    }
    size_t kept = 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        if (keep[i]) {
            faces[kept++] = faces[i];
        }
    }
    faces.resize(kept);
}

void readLine(ParseState& state, const std::vector<std::string_view>& items, int32_t lineNumber,
              const MaterialLibraryReader& readLibrary) {
    const std::string_view keyword = items[0];
    const std::string name = items.size() > 1 ? std::string(items[1]) : std::string();
    if (keyword == "mtllib") {
        std::printf("material library is [%s]\n", name.c_str());
        state.material = nullptr;
        for (const auto& [libraryName, range] : state.libraries) {
            if (libraryName == name) {
                state.activeBegin = range.first;
                state.activeEnd = range.second;
                return;
            }
        }
        const std::vector<Material> library = readLibrary(name);
        state.activeBegin = state.mesh.materials.size();
        state.mesh.materials.insert(state.mesh.materials.end(), library.begin(), library.end());
        state.activeEnd = state.mesh.materials.size();
        state.libraries.push_back({name, {state.activeBegin, state.activeEnd}});
    } else if (keyword == "g") {
        std::printf("group is now [%s]\n", name.c_str());
    } else if (keyword == "usemtl") {
        std::printf("material is now [%s]\n", name.c_str());
        state.materialName = name;
        state.material = nullptr;
    } else if (keyword == "v") {
        float p[3];
        if (!readFloats(items, p, 3)) {
            printSkipped(lineNumber, "v needs 3 numbers");
            return;
        }
        state.positions.push_back(Vec4{p[0], p[1], p[2], 1.0f});
    } else if (keyword == "vn") {
        float n[3];
        if (!readFloats(items, n, 3)) {
            printSkipped(lineNumber, "vn needs 3 numbers");
            return;
        }
        state.normals.push_back(Vec4{n[0], n[1], n[2], 0.0f});
    } else if (keyword == "vt") {
        float uv[2];
        if (!readFloats(items, uv, 2)) {
            printSkipped(lineNumber, "vt needs 2 numbers");
            return;
        }
        state.texcoords.push_back(TexCoord{uv[0], uv[1], 0.0f, 0.0f});
    } else if (keyword == "f") {
        readFace(state, items, lineNumber);
    }
}

} // namespace

std::unique_ptr<Mesh> createEmptyMesh() {
    auto mesh = std::make_unique<Mesh>();
    mesh->defaultMaterial = Material{};
    mesh->defaultMaterial.textureIndex = -1;
    mesh->defaultMaterial.shaderType = 0;
    mesh->defaultMaterial.name = "(unnamed)";
    mesh->texcoords.assign(1, TexCoord{});
    computeBoundingBox(*mesh);
    return mesh;
}

namespace {

std::unique_ptr<Mesh> parseObjOrThrow(std::string_view text, const MaterialLibraryReader& readLibrary) {
    std::unique_ptr<Mesh> mesh = createEmptyMesh();
    ParseState state{*mesh};

    LineCursor cursor{text};
    std::string_view line;
    std::vector<std::string_view> items;
    while (nextLine(cursor, line)) {
        splitItems(line, items);
        if (!items.empty()) {
            readLine(state, items, cursor.lineNumber, readLibrary);
        }
    }
    dropFacesOutOfRange(state);

    mesh->vertices.resize(state.positions.size());
    for (size_t i = 0; i < state.positions.size(); ++i) {
        mesh->vertices[i].position = state.positions[i];
    }
    mesh->normals = std::move(state.normals);
    mesh->texcoords.insert(mesh->texcoords.end(), state.texcoords.begin(), state.texcoords.end());
    mesh->scale = 1.0f;
    computeFaceNormals(*mesh);
    computeVertexNormals(*mesh);
    computeBoundingBox(*mesh);
    indexMeshTriangles(*mesh);
    return mesh;
}

// Running out of memory anywhere in the parse leaves an empty mesh and says so; what the parse had
// allocated is gone by then, so the empty mesh's few bytes are there again.
std::unique_ptr<Mesh> emptyMeshAfterRunningOut() {
    std::printf("obj loader out of memory: the mesh is left empty\n");
    return createEmptyMesh();
}

} // namespace

std::unique_ptr<Mesh> parseObj(std::string_view text, const MaterialLibraryReader& readLibrary) {
    try {
        return parseObjOrThrow(text, readLibrary);
    } catch (const std::bad_alloc&) {
        return emptyMeshAfterRunningOut();
    }
}

std::unique_ptr<Mesh> loadObj(const std::string& fileName, const std::string& directory,
                              TextureStore& store) {
    std::printf("---- loading [%s]:\n", fileName.c_str());
    try {
        const std::vector<uint8_t> bytes = readFile(directory + fileName);
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return parseObj(text, [&](const std::string& library) { return loadMtl(directory, library, store); });
    } catch (const std::bad_alloc&) {
        return emptyMeshAfterRunningOut(); // the file itself did not fit
    }
}

} // namespace tessellune
