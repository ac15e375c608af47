// renderBand and renderDepthOnly: per face, the shader type chooses the shading and the rasterizer.
#include "render/band.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "render/light.h"
#include "render/material.h"
#include "render/prefetch.h"
#include "render/rasterize.h"

namespace tessellune {

namespace {

bool multipleOfBlock(int32_t v) {
    return (v & (BLOCK_SIZE - 1)) == 0;
}

// Faces are visited in depth order, which scatters them over the face buffer; most of the band
// loop's time would be spent waiting for their records. The row spans say which faces ahead the
// band will draw: fetch those faces' records some entries ahead, and the corner vertices of the
// faces whose records should have arrived by now.
constexpr int32_t FACE_PREFETCH_DISTANCE = 16;
constexpr int32_t VERTEX_PREFETCH_DISTANCE = 8;

inline bool reaches(const FaceRows& rows, float top, float bottom) {
    return !(rows.minY > bottom || rows.maxY < top);
}

// The corner vertices, normals and material of a face whose record should have arrived by now.
inline void prefetchCorners(const RenderPipeline& pipeline, const BandFace& record) {
    for (int32_t corner = 0; corner < 3; ++corner) {
        const int32_t v = record.vertex[corner];
        prefetch(&pipeline.vertices[v < 0 ? 0 : v]);
        const int32_t n = record.normalIndex[corner];
        prefetch(&pipeline.normals[n < 0 ? 0 : n]);
    }
    prefetch(record.material);
}

inline void prefetchAhead(const RenderPipeline& pipeline, int32_t k, float top, float bottom) {
    const int32_t face = k + FACE_PREFETCH_DISTANCE;
    if (face < pipeline.faceCount && reaches(pipeline.orderedRows[face], top, bottom)) {
        prefetch(&pipeline.bandFaces[pipeline.faceOrder[face]]);
    }
    const int32_t corners = k + VERTEX_PREFETCH_DISTANCE;
    if (corners < pipeline.faceCount && reaches(pipeline.orderedRows[corners], top, bottom)) {
        prefetchCorners(pipeline, pipeline.bandFaces[pipeline.faceOrder[corners]]);
    }
}

// Faces are gathered in runs of this many positions of the order: 2 KB of indices on the stack.
constexpr int32_t BAND_RUN = 512;

// As prefetchAhead, over a run of faces that all reach the band. The run's first records are
// fetched when it is gathered.
inline void prefetchRunAhead(const RenderPipeline& pipeline, const int32_t* run, int32_t count, int32_t i) {
    if (i + FACE_PREFETCH_DISTANCE < count) {
        prefetch(&pipeline.bandFaces[run[i + FACE_PREFETCH_DISTANCE]]);
    }
    if (i + VERTEX_PREFETCH_DISTANCE < count) {
        prefetchCorners(pipeline, pipeline.bandFaces[run[i + VERTEX_PREFETCH_DISTANCE]]);
    }
}

// The corner's normal, or the face normal for a corner that names none inside the pass.
Vec4 cornerNormal(const RenderPipeline& pipeline, const BandFace& face, int32_t corner) {
    const int32_t index = face.normalIndex[corner];
    if (index < 0 || index >= pipeline.normalBase) {
        return face.normal;
    }
    const PipelineNormal& n = pipeline.normals[index];
    return {n.nx, n.ny, n.nz, n.nw};
}

TexCoord cornerTexcoord(const RenderPipeline& pipeline, const BandFace& face, int32_t corner) {
    const int32_t index = face.texcoord[corner];
    if (index < 0 || index >= pipeline.texcoordBase) {
        return TexCoord{};
    }
    return pipeline.texcoords[index];
}

// The material's texture, when it names one that has texels.
const Texture* materialTexture(const RenderPipeline& pipeline, const Material& material) {
    if (material.textureIndex < 1 || pipeline.textures == nullptr) {
        return nullptr;
    }
    const auto index = static_cast<size_t>(material.textureIndex);
    if (index >= pipeline.textures->entries.size() || pipeline.textures->entries[index] == nullptr) {
        return nullptr;
    }
    const Texture* texture = pipeline.textures->entries[index];
    return texture->image != nullptr ? texture : nullptr;
}

// The band's lighting table: null for bands that start outside the screen's block rows.
LightCacheEntry* bandLightCache(const RenderPipeline& pipeline, int32_t rowBegin) {
    const int32_t band = rowBegin / BLOCK_SIZE;
    if (pipeline.lightCache == nullptr || band >= LIGHT_CACHE_BANDS) {
        return nullptr;
    }
    LightCacheEntry* cache = pipeline.lightCache + static_cast<size_t>(band) * LIGHT_CACHE_ENTRIES;
    for (int32_t i = 0; i < LIGHT_CACHE_ENTRIES; ++i) {
        cache[i].vertex = -1;
    }
    return cache;
}

// The table slot of a (vertex, normal) pair: the top bits of a multiplicative hash. Mesh normals
// are numbered like their vertices, so a sum of the two with small factors filled only every
// eighth slot; the multipliers scatter such pairs over the whole table.
constexpr uint32_t LIGHT_SLOT_SHIFT = 32u - static_cast<uint32_t>(__builtin_ctz(LIGHT_CACHE_ENTRIES));
static_assert((1u << (32u - LIGHT_SLOT_SHIFT)) == static_cast<uint32_t>(LIGHT_CACHE_ENTRIES));

inline uint32_t lightSlot(int32_t vertex, int32_t normal) {
    return (static_cast<uint32_t>(vertex) * 2654435761u + static_cast<uint32_t>(normal) * 40503u) >>
           LIGHT_SLOT_SHIFT;
}

// The vertex-lit colour of one corner. The light terms depend only on the vertex and the normal,
// so a pair lit before in this band is taken from the table: the same terms, the same colour.
Vec4 vertexLit(const RenderPipeline& pipeline, LightCacheEntry* cache, const BandFace& face, int32_t corner,
               const Vec4& color) {
    const int32_t vertex = face.vertex[corner];
    const int32_t normal = face.normalIndex[corner];
    const PipelineVertex& v = pipeline.vertices[vertex];
    LightTerms t;
    if (cache == nullptr || normal < 0 || normal >= pipeline.normalBase) {
        t = lightSum(pipeline, v.position, cornerNormal(pipeline, face, corner));
    } else {
        LightCacheEntry& entry = cache[lightSlot(vertex, normal)];
        if (entry.vertex != vertex || entry.normal != normal) {
            entry.terms = lightSum(pipeline, v.position, cornerNormal(pipeline, face, corner));
            entry.vertex = vertex;
            entry.normal = normal;
        }
        t = entry.terms;
    }
    return add(add(mul(t.diffuse, color), t.specular), scale(color, AMBIENT_SHARE));
}

// What the corner colours of a vertex-lit face are made from, when the face turns out to cover a
// pixel of the band.
struct VertexLitCorners {
    const RenderPipeline* pipeline;
    LightCacheEntry* cache;
    const BandFace* face;
    Vec4 color;
};

void makeVertexLitCorners(const void* context, Vec4 colours[3]) {
    const auto& corners = *static_cast<const VertexLitCorners*>(context);
    for (int32_t corner = 0; corner < 3; ++corner) {
        colours[corner] = vertexLit(*corners.pipeline, corners.cache, *corners.face, corner, corners.color);
    }
}

// One face of the band, shaded and rasterized as its material's shader type says.
void drawFace(const RenderPipeline& pipeline, const BandFace& face, LightCacheEntry* lightCache,
              int32_t rowBegin, int32_t rowEnd, FloatImage& colour, DepthImage& depth) {
    if (face.cornerCount < 3 || face.material == nullptr) {
        return;
    }
    const PipelineVertex& v0 = pipeline.vertices[face.vertex[0]];
    const PipelineVertex& v1 = pipeline.vertices[face.vertex[1]];
    const PipelineVertex& v2 = pipeline.vertices[face.vertex[2]];
    const Vec4& s0 = v0.screen;
    const Vec4& s1 = v1.screen;
    const Vec4& s2 = v2.screen;
    const Material& material = *face.material;
    const Vec4& color = material.ambient;
    switch (material.shaderType) {
    case Baked: {
        if (const Texture* texture = materialTexture(pipeline, material)) {
            rasterizeTextured(colour, depth, rowBegin, rowEnd, s0, s1, s2, v0, v1, v2,
                              cornerTexcoord(pipeline, face, 0), cornerTexcoord(pipeline, face, 1),
                              cornerTexcoord(pipeline, face, 2), *texture->image, texture->packed);
        } else {
            rasterizeColor(colour, depth, rowBegin, rowEnd, s0, s1, s2, scale(color, v0.occlusion),
                           scale(color, v1.occlusion), scale(color, v2.occlusion));
        }
        break;
    }
    case Hidden:
        break;
    case PixelLit: {
        const Vec4 n0 = cornerNormal(pipeline, face, 0);
        const Vec4 n1 = cornerNormal(pipeline, face, 1);
        const Vec4 n2 = cornerNormal(pipeline, face, 2);
        rasterizeLit(colour, depth, rowBegin, rowEnd, s0, s1, s2, v0, v1, v2, {n0.x, n0.y, n0.z, n0.w},
                     {n1.x, n1.y, n1.z, n1.w}, {n2.x, n2.y, n2.z, n2.w}, color, pipeline);
        break;
    }
    case VertexLit:
    case VertexLitNoDepth: {
        const VertexLitCorners corners{&pipeline, lightCache, &face, color};
        const CornerColours colours{makeVertexLitCorners, &corners};
        if (material.shaderType == VertexLit) {
            rasterizeColor(colour, depth, rowBegin, rowEnd, s0, s1, s2, colours);
        } else {
            rasterizeColorNoDepth(colour, rowBegin, rowEnd, s0, s1, s2, colours);
        }
        break;
    }
    default:
        std::printf("unknown shader type %d\n", material.shaderType);
        break;
    }
}

} // namespace

bool bandIsDrawable(int32_t rowBegin, int32_t rowEnd, const FloatImage& colour, const DepthImage& depth) {
    return colour.pixels != nullptr && depth.pixels != nullptr && colour.width > 0 &&
           colour.width == depth.width && multipleOfBlock(colour.width) && rowBegin >= 0 &&
           rowBegin <= rowEnd && multipleOfBlock(rowBegin) && multipleOfBlock(rowEnd) &&
           rowEnd <= colour.height && rowEnd <= depth.height;
}

void renderBand(const RenderPipeline& pipeline, int32_t rowBegin, int32_t rowEnd, FloatImage& colour,
                DepthImage& depth) {
    if (!bandIsDrawable(rowBegin, rowEnd, colour, depth) || rowBegin == rowEnd) {
        return;
    }
    const size_t first = static_cast<size_t>(rowBegin) * static_cast<size_t>(colour.width);
    const size_t count = static_cast<size_t>(rowEnd - rowBegin) * static_cast<size_t>(colour.width);
    std::memset(static_cast<void*>(colour.pixels + first), 0, count * sizeof(Vec4));
    std::memset(depth.pixels + first, 0, count * sizeof(uint32_t));
    if (!passIsReady(pipeline)) {
        return; // the order or the row spans would be another pass's: the band stays clear
    }

    LightCacheEntry* const lightCache = bandLightCache(pipeline, rowBegin);
    const float top = static_cast<float>(rowBegin);
    const float bottom = static_cast<float>(rowEnd);
    // The faces that reach the band are gathered a run at a time without a branch per face: in
    // depth order, which band a face reaches follows no pattern, and testing each in the drawing
    // loop (and twice more for its prefetches) was a mispredicted branch for about every other face.
    int32_t run[BAND_RUN];
    for (int32_t begin = 0; begin < pipeline.faceCount; begin += BAND_RUN) {
        const int32_t end = std::min(pipeline.faceCount, begin + BAND_RUN);
        int32_t reaching = 0;
        for (int32_t k = begin; k < end; ++k) {
            run[reaching] = pipeline.faceOrder[k];
            reaching += reaches(pipeline.orderedRows[k], top, bottom) ? 1 : 0;
        }
        for (int32_t i = 0; i < reaching && i < FACE_PREFETCH_DISTANCE; ++i) {
            prefetch(&pipeline.bandFaces[run[i]]);
        }
        for (int32_t i = 0; i < reaching; ++i) {
            prefetchRunAhead(pipeline, run, reaching, i);
            drawFace(pipeline, pipeline.bandFaces[run[i]], lightCache, rowBegin, rowEnd, colour, depth);
        }
    }
}

void renderDepthOnly(RenderPipeline& pipeline, int32_t rows, const FloatImage& colour, DepthImage& depth) {
    if (checkPassReady(pipeline) && depth.pixels != nullptr && colour.width > 0 &&
        colour.width == depth.width && multipleOfBlock(colour.width) && rows > 0 && multipleOfBlock(rows) &&
        rows <= depth.height) {
        const float bottom = static_cast<float>(rows);
        for (int32_t k = 0; k < pipeline.faceCount; ++k) {
            prefetchAhead(pipeline, k, 0.0f, bottom);
            // Written so that a NaN span fails the test: a face with an undefined row range
            // draws nothing in the depth pass.
            const FaceRows& span = pipeline.orderedRows[k];
            if (!(span.minY <= bottom && span.maxY >= 0.0f)) {
                continue;
            }
            const BandFace& face = pipeline.bandFaces[pipeline.faceOrder[k]];
            if (face.cornerCount < 3) {
                continue;
            }
            rasterizeDepth(colour, depth, rows, pipeline.vertices[face.vertex[0]].screen,
                           pipeline.vertices[face.vertex[1]].screen,
                           pipeline.vertices[face.vertex[2]].screen);
        }
    }
    recordPeaks(pipeline);
}

} // namespace tessellune
