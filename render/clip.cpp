// Clipping one face against the camera planes (Sutherland-Hodgman) and storing it as a fan.
#include "render/clip.h"

#include "render/derived_state.h"
#include "render/material.h"

namespace tessellune {

namespace {

struct Corner {
    int32_t vertex;
    int32_t texcoord;
    int32_t normal;
};

struct Polygon {
    Corner corners[MAX_FACE_CORNERS];
    int32_t count = 0;
};

// A corner that names no normal of its own submission (a mesh corner without one carries -1,
// which rebases to the entry before the submission's first normal) takes the face normal, as the
// band renderer does: nothing is ever read outside the normal buffer or from another submission.
Vec4 cornerNormal(const RenderPipeline& pipeline, int32_t index, const Vec4& faceNormal) {
    if (index < pipeline.normalBase || index >= pipeline.normalBase + pipeline.normalsAdded) {
        return faceNormal;
    }
    const PipelineNormal& n = pipeline.normals[index];
    return {n.nx, n.ny, n.nz, n.nw};
}

bool texcoordValid(const RenderPipeline& pipeline, int32_t index) {
    return index >= pipeline.texcoordBase && index < pipeline.texcoordBase + pipeline.texcoordsAdded;
}

// The new corner where the edge start -> end crosses the plane; false when the pipeline is full.
bool crossing(RenderPipeline& pipeline, const ClipPlane& plane, const Vec4& faceNormal, const Corner& start,
              const Corner& end, Corner& out) {
    const int32_t vi = reserveVertices(pipeline, 1);
    const int32_t ni = reserveNormals(pipeline, 1);
    const int32_t ti = reserveTexcoords(pipeline, 1);
    if (vi < 0 || ni < 0 || ti < 0) {
        return false;
    }
    const PipelineVertex& s = pipeline.vertices[start.vertex];
    const PipelineVertex& e = pipeline.vertices[end.vertex];
    const float t =
        (-plane.distance - dot(s.position, plane.normal)) / dot(sub(e.position, s.position), plane.normal);
    const float r = 1.0f - t;

    PipelineVertex& v = pipeline.vertices[vi];
    v.position = add(scale(e.position, t), scale(s.position, r));
    v.occlusion = t * e.occlusion + r * s.occlusion;

    const Vec4 sn = cornerNormal(pipeline, start.normal, faceNormal);
    const Vec4 en = cornerNormal(pipeline, end.normal, faceNormal);
    const Vec4 n = normalize(add(scale(en, t), scale(sn, r)));
    pipeline.normals[ni] = {n.x, n.y, n.z, n.w};

    TexCoord su{}, eu{};
    if (texcoordValid(pipeline, start.texcoord)) {
        su = pipeline.texcoords[start.texcoord];
    }
    if (texcoordValid(pipeline, end.texcoord)) {
        eu = pipeline.texcoords[end.texcoord];
    }
    TexCoord& tc = pipeline.texcoords[ti];
    tc = TexCoord{};
    tc.u = su.u * r + eu.u * t;
    tc.v = su.v * r + eu.v * t;

    out = {vi, ti, ni};
    return true;
}

bool clipAgainstPlane(RenderPipeline& pipeline, const ClipPlane& plane, const Vec4& faceNormal,
                      Polygon& polygon) {
    Polygon out;
    float distances[MAX_FACE_CORNERS];
    for (int32_t k = 0; k < polygon.count; ++k) {
        distances[k] =
            dot(pipeline.vertices[polygon.corners[k].vertex].position, plane.normal) + plane.distance;
    }
    for (int32_t k = 0; k < polygon.count; ++k) {
        const int32_t next = k + 1 == polygon.count ? 0 : k + 1;
        const bool startInside = distances[k] >= 0.0f;
        const bool endInside = distances[next] >= 0.0f;
        if (startInside) {
            out.corners[out.count++] = polygon.corners[k];
        }
        if (startInside != endInside) {
            // A convex polygon gains at most one corner per plane, so this never passes 14.
            if (out.count >= MAX_FACE_CORNERS || !crossing(pipeline, plane, faceNormal, polygon.corners[k],
                                                           polygon.corners[next], out.corners[out.count])) {
                return false;
            }
            ++out.count;
        }
    }
    polygon = out;
    return true;
}

// Face is a PipelineFace or, for a mesh's triangles, a MeshTriangle: the fields read have the same names.
template <typename Face>
PipelineFace* storeFace(RenderPipeline& pipeline, const Face& face, const Vec4& normal, float facing,
                        const Material* materialOverride) {
    PipelineFace* stored = reserveFace(pipeline);
    if (stored != nullptr) {
        stored->normal = normal;
        stored->facing = facing;
        stored->material = materialOverride != nullptr ? materialOverride : face.material;
        stored->carried = face.carried;
    }
    return stored;
}

// A corner naming a vertex outside its own submission would make every later stage read someone
// else's geometry or beyond the buffer.
template <typename Face>
inline bool namesOwnVertices(const RenderPipeline& pipeline, const Face& face, int32_t corners) {
    const auto added = static_cast<uint32_t>(pipeline.verticesAdded); // a negative index reads as huge
    bool inside = true;
    for (int32_t i = 0; i < corners; ++i) {
        inside &= static_cast<uint32_t>(face.vertex[i]) < added;
    }
    return inside;
}

// The face stored as it comes, rebased. A triangle, the face nearly every mesh inside the view
// brings, is its own instance, so that its corner loops unroll.
template <bool Triangle, typename Face>
int32_t storeUnclipped(RenderPipeline& pipeline, const Face& face, const Vec4& normal, float facing,
                       const Material* materialOverride, int32_t cornerCount) {
    const int32_t corners = Triangle ? 3 : cornerCount;
    if (!namesOwnVertices(pipeline, face, corners)) {
        return 0;
    }
    PipelineFace* stored = storeFace(pipeline, face, normal, facing, materialOverride);
    if (stored == nullptr) {
        return 0;
    }
    stored->cornerCount = corners;
    BandFace& band = bandFaceOf(pipeline, *stored);
    // Slots past a short face's corners keep whatever the record held, and the band record
    // repeats them; the bands never draw such a face.
    for (int32_t i = corners; i < 3; ++i) {
        band.vertex[i] = stored->vertex[i];
        band.texcoord[i] = stored->texcoord[i];
        band.normalIndex[i] = stored->normalIndex[i];
    }
    // Held in locals: the index stores below could otherwise alias them and reload each one.
    const auto normalsAdded = static_cast<uint32_t>(pipeline.normalsAdded);
    const int32_t vertexBase = pipeline.vertexBase;
    const int32_t texcoordBase = pipeline.texcoordBase;
    const int32_t normalBase = pipeline.normalBase;
    for (int32_t i = 0; i < corners; ++i) {
        // A corner naming no normal of this submission keeps -1, which the band renderer reads as
        // the face normal; rebased it would name the previous submission's last.
        const int32_t n = face.normalIndex[i];
        storeCorner(*stored, band, i, face.vertex[i] + vertexBase, face.texcoord[i] + texcoordBase,
                    static_cast<uint32_t>(n) < normalsAdded ? n + normalBase : -1);
    }
    noteFace(band, normal, corners, stored->material);
    return 1;
}

} // namespace

// Every face that is not an unclipped triangle. Kept out of clipFace so that the triangles, nearly
// every face of a mesh inside the view, do not pay for this path's registers and polygon buffers.
__attribute__((noinline)) static int32_t clipOrStore(RenderPipeline& pipeline, const Camera& camera,
                                                     const PipelineFace& face, const Vec4& normal,
                                                     float facing, int32_t mask,
                                                     const Material* materialOverride) {
    const int32_t corners = face.cornerCount;
    if (corners < 0 || corners > MAX_FACE_CORNERS) {
        return 0;
    }
    if (mask == 0) {
        return storeUnclipped<false>(pipeline, face, normal, facing, materialOverride, corners);
    }
    if (!namesOwnVertices(pipeline, face, corners)) {
        return 0;
    }
    if (mask < 0 || corners < 3 || corners > MAX_CLIP_INPUT_CORNERS) {
        return 0;
    }

    Polygon polygon;
    polygon.count = corners;
    for (int32_t i = 0; i < corners; ++i) {
        polygon.corners[i] = {face.vertex[i] + pipeline.vertexBase, face.texcoord[i] + pipeline.texcoordBase,
                              face.normalIndex[i] + pipeline.normalBase};
    }
    // Most faces lie wholly inside every plane they are tested against, where the passes would
    // hand them back unchanged; a face wholly outside the first plane it does not fully pass is
    // clipped away before anything is created. Deciding both from the corners alone gives the
    // same faces and the same buffers as running the passes, so the passes start only at the
    // first plane the face straddles.
    const uint32_t planes = static_cast<uint32_t>(mask) & ((1u << PlaneCount) - 1u);
    uint32_t insideAll = planes;
    uint32_t insideAny = 0;
    for (int32_t i = 0; i < corners; ++i) {
        const int32_t index = polygon.corners[i].vertex;
        const PipelineVertex& v = pipeline.vertices[index];
        const uint32_t inside =
            index < pipeline.planesKnownEnd ? v.planeBits : insidePlanes(camera, v.position);
        if constexpr (DERIVED_STATE_CHECKS) {
            if (index < pipeline.planesKnownEnd && inside != insidePlanes(camera, v.position)) {
                failOnStaleCopy("plane bits of vertex " + std::to_string(index) +
                                " differ from the camera's planes");
            }
        }
        insideAll &= inside;
        insideAny |= inside;
    }
    const uint32_t straddled = planes & ~insideAll;
    int32_t firstCut = PlaneCount;
    if (straddled != 0) {
        firstCut = __builtin_ctz(straddled);
        if ((insideAny & (1u << firstCut)) == 0) {
            return 0;
        }
    }
    for (int32_t plane = firstCut; plane < PlaneCount; ++plane) {
        if ((mask & (1 << plane)) == 0) {
            continue;
        }
        if (!clipAgainstPlane(pipeline, camera.planes[plane], normal, polygon) || polygon.count == 0) {
            return 0;
        }
    }
    if (polygon.count < 3) {
        return 0;
    }
    int32_t stored = 0;
    for (int32_t k = 1; k + 1 < polygon.count; ++k) {
        PipelineFace* out = storeFace(pipeline, face, normal, facing, materialOverride);
        if (out == nullptr) {
            return stored;
        }
        out->cornerCount = 3;
        BandFace& band = bandFaceOf(pipeline, *out);
        const Corner* fan[3] = {&polygon.corners[0], &polygon.corners[k], &polygon.corners[k + 1]};
        for (int32_t i = 0; i < 3; ++i) {
            storeCorner(*out, band, i, fan[i]->vertex, fan[i]->texcoord, fan[i]->normal);
        }
        noteFace(band, normal, 3, out->material);
        ++stored;
    }
    return stored;
}

int32_t clipFace(RenderPipeline& pipeline, const Camera& camera, const PipelineFace& face, const Vec4& normal,
                 float facing, int32_t mask, const Material* materialOverride) {
    if (facing > 0.0f) {
        return 0;
    }
    if (face.cornerCount == 3 && mask == 0) {
        return storeUnclipped<true>(pipeline, face, normal, facing, materialOverride, 3);
    }
    return clipOrStore(pipeline, camera, face, normal, facing, mask, materialOverride);
}

int32_t clipMeshTriangle(RenderPipeline& pipeline, const Camera& camera, const MeshTriangle& triangle,
                         const PipelineFace& face, const Vec4& normal, float facing, int32_t mask,
                         const Material* materialOverride) {
    if (facing > 0.0f) {
        return 0;
    }
    if (mask == 0) {
        return storeUnclipped<true>(pipeline, triangle, normal, facing, materialOverride, 3);
    }
    return clipOrStore(pipeline, camera, face, normal, facing, mask, materialOverride);
}

} // namespace tessellune
