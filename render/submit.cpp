// Mesh and procedural-shape submission: view-space transform, then every face through clipFace.
#include "render/submit.h"

#include <cmath>
#include <type_traits>

#include "render/clip.h"
#include "render/derived_state.h"
#include "render/prefetch.h"

namespace tessellune {

namespace {

constexpr int32_t MESH_PREFETCH_DISTANCE = 8;

// How far above its own rounding a facing computed with the normal before normalising must lie to
// decide the sign of the facing with the unit normal. Both sums are within a few units in the
// last place (6e-8 each) of the sum of the terms' magnitudes, so 1e-4 of it leaves no doubt.
constexpr float CULL_MARGIN = 1e-4f;

// True when the face turns away from the eye by so much that normalising its normal (which only
// divides it by a positive length) cannot bring the facing to 0 or below: about half of a closed
// model's faces are dropped without a square root and a division each.
bool clearlyTurnedAway(const Vec4& toCorner, const Vec4& normal) {
    const float facing = dot(toCorner, normal);
    const Vec4 a{std::fabs(toCorner.x), std::fabs(toCorner.y), std::fabs(toCorner.z), std::fabs(toCorner.w)};
    const Vec4 b{std::fabs(normal.x), std::fabs(normal.y), std::fabs(normal.z), std::fabs(normal.w)};
    return facing > CULL_MARGIN * dot(a, b);
}

// The facing test of faces [faceBegin, faceEnd) of a mesh, read from its face records or (Face =
// MeshTriangle) from their compact copies: `keep(f, face, n, facing)` gets every face not dropped
// on the way, with its unit view-space normal and facing, and returns false to stop.
template <typename Face, typename Keep>
void visitFacingFaces(const RenderPipeline& pipeline, const Mesh& mesh, const Face* faces,
                      const Matrix4& modelView, int32_t firstVertex, int32_t faceBegin, int32_t faceEnd,
                      Keep&& keep) {
    const int32_t vertexCount = static_cast<int32_t>(mesh.vertices.size());
    const int32_t faceCount = faceEnd;
    for (int32_t f = faceBegin; f < faceCount; ++f) {
        const Face& face = faces[f];
        // A model's faces name its vertices in no useful order: fetch a later face's first
        // corner, just transformed but long gone from the nearest cache, while this one is set up.
        if (f + MESH_PREFETCH_DISTANCE < faceCount) {
            const int32_t ahead = faces[f + MESH_PREFETCH_DISTANCE].vertex[0];
            prefetch(&pipeline.vertices[firstVertex + (ahead >= 0 && ahead < vertexCount ? ahead : 0)]);
        }
        if (face.vertex[0] < 0 || face.vertex[0] >= vertexCount) {
            continue; // a face that names no vertex of this mesh is never stored
        }
        const Vec4 toCorner =
            sub(pipeline.vertices[firstVertex + face.vertex[0]].position, Vec4{0.0f, 0.0f, 0.0f, 1.0f});
        const Vec4 turned = transformDirection(modelView, face.normal);
        if (clearlyTurnedAway(toCorner, turned)) {
            continue; // the unit normal would give a positive facing too: the face is dropped
        }
        const Vec4 n = normalize(turned);
        const float facing = dot(toCorner, n);
        if (!keep(f, face, n, facing)) {
            break;
        }
    }
}

// The facing test and the store of faces [faceBegin, faceEnd) of a mesh.
template <typename Face>
void submitFaces(RenderPipeline& pipeline, const Camera& camera, const Mesh& mesh, const Face* faces,
                 const Matrix4& modelView, int32_t firstVertex, int32_t mask,
                 const Material* materialOverride, int32_t faceBegin, int32_t faceEnd) {
    visitFacingFaces(pipeline, mesh, faces, modelView, firstVertex, faceBegin, faceEnd,
                     [&](int32_t f, const Face& face, const Vec4& n, float facing) {
                         if constexpr (std::is_same_v<Face, MeshTriangle>) {
                             clipMeshTriangle(pipeline, camera, face, mesh.faces[f], n, facing, mask,
                                              materialOverride);
                         } else {
                             clipFace(pipeline, camera, face, n, facing, mask, materialOverride);
                         }
                         return !pipeline.submissionOverflowed;
                     });
}

} // namespace

void updateWorldMatrix(Mesh& mesh) {
    Matrix4 scaled;
    scaled.m[0] = mesh.scale;
    scaled.m[5] = mesh.scale;
    scaled.m[10] = mesh.scale;
    mesh.world = multiply(multiply(scaled, mesh.rotation), mesh.translation);
}

void transformBoxCorners(Mesh& mesh, const Matrix4& view) {
    const Matrix4 modelView = multiply(mesh.world, view);
    for (int k = 0; k < 8; ++k) {
        mesh.transformedBoxCorners[k] = transformPoint(modelView, mesh.boxCorners[k]);
    }
}

MeshSlots openMeshSubmission(RenderPipeline& pipeline, const Mesh& mesh) {
    openSubmission(pipeline);
    MeshSlots slots;
    slots.firstVertex = reserveVertices(pipeline, static_cast<int32_t>(mesh.vertices.size()));
    slots.firstNormal = reserveNormals(pipeline, static_cast<int32_t>(mesh.normals.size()));
    slots.firstTexcoord = reserveTexcoords(pipeline, static_cast<int32_t>(mesh.texcoords.size()));
    slots.reserved = slots.firstVertex >= 0 && slots.firstNormal >= 0 && slots.firstTexcoord >= 0;
    return slots;
}

bool meshSubmissionClips(int32_t mask) {
    return mask > 0 && (mask & CLIP_ALL_PLANES) != 0;
}

void transformMeshVertices(RenderPipeline& pipeline, const Camera& camera, const Mesh& mesh,
                           const Matrix4& modelView, const MeshSlots& slots, int32_t mask, int32_t begin,
                           int32_t end) {
    // A vertex is shared by about six faces: when the faces will be clipped, its planes are found
    // once here rather than once for every face that names it.
    const bool clips = meshSubmissionClips(mask);
    for (int32_t i = begin; i < end; ++i) {
        PipelineVertex& v = pipeline.vertices[slots.firstVertex + i];
        v.position = transformPoint(modelView, mesh.vertices[i].position);
        v.occlusion = mesh.vertices[i].occlusion;
        if (clips) {
            v.planeBits = insidePlanes(camera, v.position);
        }
    }
}

void transformMeshNormals(RenderPipeline& pipeline, const Mesh& mesh, const Matrix4& modelView,
                          const MeshSlots& slots, int32_t begin, int32_t end) {
    for (int32_t i = begin; i < end; ++i) {
        const Vec4 n = normalize(transformDirection(modelView, mesh.normals[i]));
        pipeline.normals[slots.firstNormal + i] = {n.x, n.y, n.z, 0.0f};
    }
}

void copyMeshTexcoords(RenderPipeline& pipeline, const Mesh& mesh, const MeshSlots& slots, int32_t begin,
                       int32_t end) {
    for (int32_t i = begin; i < end; ++i) {
        pipeline.texcoords[slots.firstTexcoord + i] = mesh.texcoords[i];
    }
}

void notePlanesKnown(RenderPipeline& pipeline, const Mesh& mesh, const MeshSlots& slots, int32_t mask) {
    if (meshSubmissionClips(mask)) {
        pipeline.planesKnownEnd = slots.firstVertex + static_cast<int32_t>(mesh.vertices.size());
    }
}

void submitMeshFaces(RenderPipeline& pipeline, const Camera& camera, const Mesh& mesh,
                     const Matrix4& modelView, const MeshSlots& slots, int32_t mask,
                     const Material* materialOverride, int32_t begin, int32_t end) {
    if (mesh.triangles.size() == mesh.faces.size()) {
        submitFaces(pipeline, camera, mesh, mesh.triangles.data(), modelView, slots.firstVertex, mask,
                    materialOverride, begin, end);
    } else {
        submitFaces(pipeline, camera, mesh, mesh.faces.data(), modelView, slots.firstVertex, mask,
                    materialOverride, begin, end);
    }
}

bool facesStoreOnePerKept(const Mesh& mesh, int32_t mask) {
    return mask == 0 && mesh.triangles.size() == mesh.faces.size();
}

int32_t collectKeptFaces(const RenderPipeline& pipeline, const Mesh& mesh, const Matrix4& modelView,
                         const MeshSlots& slots, int32_t begin, int32_t end, KeptFace* kept) {
    int32_t count = 0;
    const auto added = static_cast<uint32_t>(pipeline.verticesAdded);
    visitFacingFaces(pipeline, mesh, mesh.triangles.data(), modelView, slots.firstVertex, begin, end,
                     [&](int32_t f, const MeshTriangle& face, const Vec4& n, float facing) {
                         // What the store refuses: a face turned away, or one naming a vertex
                         // outside its submission (a negative index reads as huge).
                         const bool stored = !(facing > 0.0f) &&
                                             static_cast<uint32_t>(face.vertex[0]) < added &&
                                             static_cast<uint32_t>(face.vertex[1]) < added &&
                                             static_cast<uint32_t>(face.vertex[2]) < added;
                         kept[count] = {n, f, facing};
                         count += stored ? 1 : 0;
                         return true;
                     });
    return count;
}

void storeKeptFaces(RenderPipeline& pipeline, const Camera& camera, const Mesh& mesh, const KeptFace* kept,
                    int32_t count, const Material* materialOverride) {
    for (int32_t i = 0; i < count; ++i) {
        const KeptFace& k = kept[i];
        clipMeshTriangle(pipeline, camera, mesh.triangles[static_cast<size_t>(k.face)],
                         mesh.faces[static_cast<size_t>(k.face)], k.normal, k.facing, 0, materialOverride);
    }
}

namespace {

bool runMesh(RenderPipeline& pipeline, const Camera& camera, const Mesh& mesh, const Matrix4& modelView,
             int32_t mask, const Material* materialOverride) {
    const MeshSlots slots = openMeshSubmission(pipeline, mesh);
    if (!slots.reserved) {
        return commitSubmission(pipeline);
    }
    transformMeshVertices(pipeline, camera, mesh, modelView, slots, mask, 0,
                          static_cast<int32_t>(mesh.vertices.size()));
    notePlanesKnown(pipeline, mesh, slots, mask);
    transformMeshNormals(pipeline, mesh, modelView, slots, 0, static_cast<int32_t>(mesh.normals.size()));
    copyMeshTexcoords(pipeline, mesh, slots, 0, static_cast<int32_t>(mesh.texcoords.size()));
    submitMeshFaces(pipeline, camera, mesh, modelView, slots, mask, materialOverride, 0,
                    static_cast<int32_t>(mesh.faces.size()));
    return commitSubmission(pipeline);
}

// The record every recorded submission appends; it undoes the pass's ordering and projection as
// a stored submission's commit does.
SubmissionRecord& record(RenderPipeline& pipeline, SubmissionKind kind, const Matrix4& modelView,
                         const Camera& camera, const Material* material) {
    pipeline.facesOrdered = false;
    pipeline.verticesProjected = false;
    SubmissionRecord& r = pipeline.records.emplace_back();
    r.kind = kind;
    r.modelView = modelView;
    r.camera = &camera;
    r.material = material;
    return r;
}

} // namespace

bool submitMesh(const Mesh& mesh, const Matrix4& view, const Camera& camera, RenderPipeline& pipeline,
                int32_t mask, const Material* materialOverride) {
    if constexpr (DERIVED_STATE_CHECKS) {
        failOnStaleCopy(staleMeshTriangles(mesh));
    }
    const Matrix4 modelView = multiply(mesh.world, view);
    if (pipeline.recording) {
        SubmissionRecord& r = record(pipeline, SubmissionKind::Mesh, modelView, camera, materialOverride);
        r.mesh = &mesh;
        r.mask = mask;
        return true;
    }
    return runMesh(pipeline, camera, mesh, modelView, mask, materialOverride);
}

void indexMeshTriangles(Mesh& mesh) {
    mesh.triangles.clear();
    for (const PipelineFace& face : mesh.faces) {
        if (face.cornerCount != 3) {
            mesh.triangles.clear(); // the records are read then
            return;
        }
        MeshTriangle& t = mesh.triangles.emplace_back();
        t.normal = face.normal;
        for (int32_t i = 0; i < 3; ++i) {
            t.vertex[i] = face.vertex[i];
            t.texcoord[i] = face.texcoord[i];
            t.normalIndex[i] = face.normalIndex[i];
        }
        t.carried = face.carried;
        t.material = face.material;
    }
}

namespace {

// A procedural triangle inside every plane, stored as clipFace stores an unclipped face: the
// same record, without building the temporary face and testing what is already known.
void storeInsideTriangle(RenderPipeline& pipeline, const int32_t vertex[3], const int32_t texcoord[3],
                         int32_t normalIndex, const Material* material) {
    for (int i = 0; i < 3; ++i) {
        if (vertex[i] < 0 || vertex[i] >= pipeline.verticesAdded) {
            return;
        }
    }
    PipelineFace* stored = reserveFace(pipeline);
    if (stored == nullptr) {
        return;
    }
    const PipelineNormal& n = pipeline.normals[pipeline.normalBase + normalIndex];
    stored->normal = {n.nx, n.ny, n.nz, n.nw};
    stored->facing = 0.0f;
    stored->material = material;
    stored->carried = 0;
    stored->cornerCount = 3;
    BandFace& band = bandFaceOf(pipeline, *stored);
    for (int i = 0; i < 3; ++i) {
        storeCorner(*stored, band, i, vertex[i] + pipeline.vertexBase, texcoord[i] + pipeline.texcoordBase,
                    normalIndex + pipeline.normalBase);
    }
    noteFace(band, {n.nx, n.ny, n.nz, n.nw}, 3, material);
}

void emitFace(RenderPipeline& pipeline, const Camera& camera, const int32_t vertex[3],
              const int32_t texcoord[3], int32_t normalIndex, const Material* material, int32_t mask) {
    const int32_t absoluteNormal = pipeline.normalBase + normalIndex;
    if (normalIndex < 0 || normalIndex >= pipeline.normalsAdded) {
        return;
    }
    if (mask == 0) {
        storeInsideTriangle(pipeline, vertex, texcoord, normalIndex, material);
        return;
    }
    // One record reused for every procedural triangle: only its first three corner slots are
    // ever read, and clearing all fourteen each time cost more than the rest of the setup.
    thread_local PipelineFace face;
    const PipelineNormal& n = pipeline.normals[absoluteNormal];
    face.normal = {n.nx, n.ny, n.nz, n.nw};
    for (int i = 0; i < 3; ++i) {
        face.vertex[i] = vertex[i];
        face.texcoord[i] = texcoord[i];
        face.normalIndex[i] = normalIndex;
    }
    face.cornerCount = 3;
    face.material = material;
    face.carried = 0;
    clipFace(pipeline, camera, face, face.normal, 0.0f, mask, nullptr);
}

struct ShapeNormal {
    float x, y, z;
};

constexpr int32_t SHAPE_REFUSED = -1;

// Opens the submission and appends the shape's transformed vertices and (unnormalised) normals and
// its texture coordinates. Returns the mask its triangles need: 0 when every vertex is inside every
// plane (clipping would hand each triangle back unchanged, so it is skipped), else all planes; and
// SHAPE_REFUSED when the shape does not fit.
int32_t appendShape(RenderPipeline& pipeline, const Camera& camera, const Matrix4& modelView,
                    const Vec4* positions, int32_t vertexCount, const ShapeNormal* normals,
                    int32_t normalCount, const TexCoord* texcoords, int32_t texcoordCount) {
    openSubmission(pipeline);
    const int32_t firstVertex = reserveVertices(pipeline, vertexCount);
    const int32_t firstNormal = reserveNormals(pipeline, normalCount);
    const int32_t firstTexcoord = reserveTexcoords(pipeline, texcoordCount);
    if (firstVertex < 0 || firstNormal < 0 || firstTexcoord < 0) {
        return SHAPE_REFUSED;
    }
    uint32_t insideAll = (1u << PlaneCount) - 1u;
    for (int32_t i = 0; i < vertexCount; ++i) {
        PipelineVertex& v = pipeline.vertices[firstVertex + i];
        v.position = transformPoint(modelView, positions[i]);
        v.occlusion = 1.0f;
        insideAll &= insidePlanes(camera, v.position);
    }
    for (int32_t i = 0; i < normalCount; ++i) {
        const Vec4 n = transformDirection(modelView, normals[i].x, normals[i].y, normals[i].z);
        pipeline.normals[firstNormal + i] = {n.x, n.y, n.z, 0.0f};
    }
    for (int32_t i = 0; i < texcoordCount; ++i) {
        pipeline.texcoords[firstTexcoord + i] = texcoords[i];
    }
    return insideAll == (1u << PlaneCount) - 1u ? 0 : CLIP_ALL_PLANES;
}

} // namespace

void emitTriangle(RenderPipeline& pipeline, const Camera& camera, int32_t v0, int32_t v1, int32_t v2,
                  int32_t normalIndex, const Material* material) {
    const int32_t vertex[3] = {v0, v1, v2};
    const int32_t texcoord[3] = {0, 0, 0};
    emitFace(pipeline, camera, vertex, texcoord, normalIndex, material, CLIP_ALL_PLANES);
}

void emitFanTriangle(RenderPipeline& pipeline, const Camera& camera, int32_t v1, int32_t v2, int32_t t1,
                     int32_t t2, int32_t normalIndex, const Material* material) {
    const int32_t vertex[3] = {0, v1, v2};
    const int32_t texcoord[3] = {1, t1, t2};
    emitFace(pipeline, camera, vertex, texcoord, normalIndex, material, CLIP_ALL_PLANES);
}

namespace {

// A square as the fan (0, 1, 2), (0, 2, 3) with one normal; cornerTexcoords gives each vertex's
// texture-coordinate index among `texcoords`.
bool submitSquare(RenderPipeline& pipeline, const Camera& camera, const Matrix4& modelView,
                  const Vec4 positions[4], const ShapeNormal& normal, const TexCoord* texcoords,
                  int32_t texcoordCount, const int32_t cornerTexcoords[4], const Material* material) {
    const int32_t mask =
        appendShape(pipeline, camera, modelView, positions, 4, &normal, 1, texcoords, texcoordCount);
    if (mask != SHAPE_REFUSED) {
        const int32_t first[3] = {0, 1, 2};
        const int32_t firstTexcoords[3] = {cornerTexcoords[0], cornerTexcoords[1], cornerTexcoords[2]};
        const int32_t second[3] = {0, 2, 3};
        const int32_t secondTexcoords[3] = {cornerTexcoords[0], cornerTexcoords[2], cornerTexcoords[3]};
        emitFace(pipeline, camera, first, firstTexcoords, 0, material, mask);
        emitFace(pipeline, camera, second, secondTexcoords, 0, material, mask);
    }
    return commitSubmission(pipeline);
}

} // namespace

namespace {

bool runQuad(RenderPipeline& pipeline, const Camera& camera, const Matrix4& modelView, float height,
             float width, const Material* material) {
    const Vec4 positions[4] = {makePoint(0.0f, 0.0f, 0.0f), makePoint(width, 0.0f, 0.0f),
                               makePoint(width, height, 0.0f), makePoint(0.0f, height, 0.0f)};
    const TexCoord texcoords[1] = {};
    const int32_t cornerTexcoords[4] = {0, 0, 0, 0};
    return submitSquare(pipeline, camera, modelView, positions, {0.0f, 0.0f, 1.0f}, texcoords, 1,
                        cornerTexcoords, material);
}

bool runGround(RenderPipeline& pipeline, const Camera& camera, const Matrix4& modelView,
               const TexCoord corners[4], const Material* material) {
    constexpr float HALF = 250.0f; // the square is 500 x 500 units
    const Vec4 positions[4] = {makePoint(HALF, 0.0f, -HALF), makePoint(-HALF, 0.0f, -HALF),
                               makePoint(-HALF, 0.0f, HALF), makePoint(HALF, 0.0f, HALF)};
    // Entry 0 is (0, 0); the caller's records follow, texture coordinate k + 1 for vertex k.
    const TexCoord texcoords[5] = {TexCoord{}, corners[0], corners[1], corners[2], corners[3]};
    const int32_t cornerTexcoords[4] = {1, 2, 3, 4};
    return submitSquare(pipeline, camera, modelView, positions, {0.0f, 1.0f, 0.0f}, texcoords, 5,
                        cornerTexcoords, material);
}

bool runCube(RenderPipeline& pipeline, const Camera& camera, const Matrix4& modelView, float size,
             const Material* material) {
    const float h = size * 0.5f;
    const Vec4 positions[8] = {makePoint(h, h, -h),  makePoint(-h, h, -h), makePoint(-h, h, h),
                               makePoint(h, h, h),   makePoint(h, -h, -h), makePoint(-h, -h, -h),
                               makePoint(-h, -h, h), makePoint(h, -h, h)};
    const ShapeNormal normals[6] = {{0.0f, 1.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f},
                                    {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}};
    const TexCoord texcoords[1] = {};
    // Two counter-clockwise triangles per side, seen from outside, with the side's normal.
    static constexpr int32_t TRIANGLES[12][4] = {{0, 1, 2, 0}, {0, 2, 3, 0}, {2, 1, 5, 2}, {2, 5, 6, 2},
                                                 {3, 2, 6, 5}, {3, 6, 7, 5}, {0, 3, 7, 3}, {0, 7, 4, 3},
                                                 {1, 0, 4, 4}, {1, 4, 5, 4}, {7, 6, 5, 1}, {7, 5, 4, 1}};
    const int32_t mask = appendShape(pipeline, camera, modelView, positions, 8, normals, 6, texcoords, 1);
    if (mask != SHAPE_REFUSED) {
        const int32_t zero[3] = {0, 0, 0};
        for (const auto& t : TRIANGLES) {
            emitFace(pipeline, camera, t, zero, t[3], material, mask);
        }
    }
    return commitSubmission(pipeline);
}

} // namespace

bool submitQuad(RenderPipeline& pipeline, const Camera& camera, const Matrix4& placement, const Matrix4& view,
                float height, float width, const Material* material) {
    const Matrix4 modelView = multiply(placement, view);
    if (pipeline.recording) {
        SubmissionRecord& r = record(pipeline, SubmissionKind::Quad, modelView, camera, material);
        r.height = height;
        r.width = width;
        return true;
    }
    return runQuad(pipeline, camera, modelView, height, width, material);
}

bool submitGround(RenderPipeline& pipeline, const Camera& camera, const Matrix4& placement,
                  const Matrix4& view, const TexCoord corners[4], const Material* material) {
    const Matrix4 modelView = multiply(placement, view);
    if (pipeline.recording) {
        SubmissionRecord& r = record(pipeline, SubmissionKind::Ground, modelView, camera, material);
        for (int i = 0; i < 4; ++i) {
            r.texcoords[i] = corners[i];
        }
        return true;
    }
    return runGround(pipeline, camera, modelView, corners, material);
}

bool submitCube(RenderPipeline& pipeline, const Camera& camera, const Matrix4& placement, const Matrix4& view,
                float size, const Material* material) {
    const Matrix4 modelView = multiply(placement, view);
    if (pipeline.recording) {
        record(pipeline, SubmissionKind::Cube, modelView, camera, material).width = size;
        return true;
    }
    return runCube(pipeline, camera, modelView, size, material);
}

bool runSubmissionRecord(RenderPipeline& pipeline, const SubmissionRecord& r) {
    switch (r.kind) {
    case SubmissionKind::Mesh:
        return runMesh(pipeline, *r.camera, *r.mesh, r.modelView, r.mask, r.material);
    case SubmissionKind::Quad:
        return runQuad(pipeline, *r.camera, r.modelView, r.height, r.width, r.material);
    case SubmissionKind::Ground:
        return runGround(pipeline, *r.camera, r.modelView, r.texcoords, r.material);
    case SubmissionKind::Cube:
        return runCube(pipeline, *r.camera, r.modelView, r.width, r.material);
    }
    return false;
}

void runRecordedSubmissions(RenderPipeline& pipeline) {
    for (const SubmissionRecord& r : pipeline.records) {
        runSubmissionRecord(pipeline, r);
    }
    pipeline.records.clear();
}

} // namespace tessellune
