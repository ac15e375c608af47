// Moving geometry into the pipeline: placed meshes and the procedural rectangle, ground and cube.
//
// Conventions: matrices are row-major with row vectors (p' = p · M, translation in row 3); a mesh's
// world matrix is scale, then rotation, then translation. Every submission transforms vertices and
// normals into view space with one model-view matrix and hands each face to clipFace. Procedural
// triangles are counter-clockwise seen from the side their normal points to, and are never
// back-face culled. A submission that does not fit the pipeline is refused whole (returns false).
// While the pipeline records (render/submission_record.h), the submissions append a record and
// return true; the records run later, in order, with the same results.
#pragma once

#include <cstdint>

#include "render/camera.h"
#include "render/mesh.h"
#include "render/pipeline.h"

namespace tessellune {

// W := diag(s, s, s, 1) · R · A.
void updateWorldMatrix(Mesh& mesh);

// transformedBoxCorners[k] := boxCorners[k] · W · V.
void transformBoxCorners(Mesh& mesh, const Matrix4& view);

bool submitMesh(const Mesh& mesh, const Matrix4& view, const Camera& camera, RenderPipeline& pipeline,
                int32_t mask, const Material* materialOverride);

// Makes mesh.triangles from mesh.faces, once they are final; left empty when a face is not a
// triangle. A mesh changed after this needs it again.
void indexMeshTriangles(Mesh& mesh);

// A width x height rectangle in the placement's xy plane; height (y extent) comes before width.
bool submitQuad(RenderPipeline& pipeline, const Camera& camera, const Matrix4& placement, const Matrix4& view,
                float height, float width, const Material* material);

// A 500 x 500 square in the placement's xz plane; texcoords belong to the corners (250, 0, -250),
// (-250, 0, -250), (-250, 0, 250), (250, 0, 250) in that order.
bool submitGround(RenderPipeline& pipeline, const Camera& camera, const Matrix4& placement,
                  const Matrix4& view, const TexCoord texcoords[4], const Material* material);

// An axis-aligned cube of edge `size` centred on the placement's origin.
bool submitCube(RenderPipeline& pipeline, const Camera& camera, const Matrix4& placement, const Matrix4& view,
                float size, const Material* material);

// Runs one record as the submission it records would have run (returns what it would have).
bool runSubmissionRecord(RenderPipeline& pipeline, const SubmissionRecord& record);

// Runs the pipeline's records in order on this thread and empties the list.
void runRecordedSubmissions(RenderPipeline& pipeline);

// The steps of a mesh submission, in the order runSubmissionRecord takes them, for a front end that
// shares one large mesh among threads: open and reserve; the vertices, normals and texture
// coordinates in any ranges; notePlanesKnown; the faces, whose ranges must run in order into one
// pipeline or, each into its own, be laid down in order; commitSubmission. Indices are the mesh's.
struct MeshSlots {
    int32_t firstVertex = -1;
    int32_t firstNormal = -1;
    int32_t firstTexcoord = -1;
    bool reserved = false; // false: the submission is refused, commit it at once
};
MeshSlots openMeshSubmission(RenderPipeline& pipeline, const Mesh& mesh);
bool meshSubmissionClips(int32_t mask);
void transformMeshVertices(RenderPipeline& pipeline, const Camera& camera, const Mesh& mesh,
                           const Matrix4& modelView, const MeshSlots& slots, int32_t mask, int32_t begin,
                           int32_t end);
void transformMeshNormals(RenderPipeline& pipeline, const Mesh& mesh, const Matrix4& modelView,
                          const MeshSlots& slots, int32_t begin, int32_t end);
void copyMeshTexcoords(RenderPipeline& pipeline, const Mesh& mesh, const MeshSlots& slots, int32_t begin,
                       int32_t end);
void notePlanesKnown(RenderPipeline& pipeline, const Mesh& mesh, const MeshSlots& slots, int32_t mask);
void submitMeshFaces(RenderPipeline& pipeline, const Camera& camera, const Mesh& mesh,
                     const Matrix4& modelView, const MeshSlots& slots, int32_t mask,
                     const Material* materialOverride, int32_t begin, int32_t end);

// For a mesh inside the view (mask 0) read from its triangle lines, where each face the facing test
// keeps is stored as one face: the faces of [begin, end) that the store would keep, in order, with
// what storing them needs; and their store. Collecting ranges on several threads, then storing them
// in order, stores what submitMeshFaces would.
bool facesStoreOnePerKept(const Mesh& mesh, int32_t mask);
struct KeptFace {
    Vec4 normal; // unit, view space
    int32_t face = 0;
    float facing = 0.0f;
};
// `kept` has room for end - begin entries; returns how many it holds.
int32_t collectKeptFaces(const RenderPipeline& pipeline, const Mesh& mesh, const Matrix4& modelView,
                         const MeshSlots& slots, int32_t begin, int32_t end, KeptFace* kept);
void storeKeptFaces(RenderPipeline& pipeline, const Camera& camera, const Mesh& mesh, const KeptFace* kept,
                    int32_t count, const Material* materialOverride);

// One procedural triangle of the open submission (indices relative to it), all texcoords 0.
void emitTriangle(RenderPipeline& pipeline, const Camera& camera, int32_t v0, int32_t v1, int32_t v2,
                  int32_t normalIndex, const Material* material);

// As emitTriangle with corner 0 fixed to vertex 0 and texture coordinate 1.
void emitFanTriangle(RenderPipeline& pipeline, const Camera& camera, int32_t v1, int32_t v2, int32_t t1,
                     int32_t t2, int32_t normalIndex, const Material* material);

} // namespace tessellune
