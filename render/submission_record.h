// A recorded submission: what submitMesh and the procedural shapes were asked, kept to run later.
//
// Conventions: a pipeline records while RenderPipeline::recording is set; the submission functions
// then append a record and return true, and nothing is stored until the records run, in order
// (runRecordedSubmissions, or the worker pool's front end). A record holds what the call read at
// the time (the model-view matrix: a mesh's world matrix may change for its next instance) and
// pointers to what must stay unchanged until it runs: the mesh's geometry, the camera, the
// materials (which the pass's faces point at anyway).
#pragma once

#include <cstdint>

#include "math/matrix4.h"
#include "render/pipeline_records.h"

namespace tessellune {

struct Camera;
struct Mesh;
struct Material;

enum class SubmissionKind : int32_t { Mesh, Quad, Ground, Cube };

struct SubmissionRecord {
    Matrix4 modelView;
    SubmissionKind kind = SubmissionKind::Mesh;
    int32_t mask = 0;           // a mesh's clip mask
    const Mesh* mesh = nullptr; // SubmissionKind::Mesh
    const Camera* camera = nullptr;
    const Material* material = nullptr; // a mesh's override, or the shape's material
    float height = 0.0f, width = 0.0f;  // a quad's extents; a cube's edge is `width`
    TexCoord texcoords[4];              // the ground's corner texture coordinates
};

} // namespace tessellune
