// Back-face rejection and frustum clipping of one face (and, through render/face_order.h, the
// depth ordering of a pass's faces).
//
// Conventions: input face indices are relative to the open submission and are rebased when stored;
// the clip mask names planes by bit (1 << plane index), bits above 5 are ignored, a negative mask
// stores nothing and 0 stores the face unclipped. Clipped faces are stored as a triangle fan.
#pragma once

#include <cstdint>

#include "render/camera.h"
#include "render/face_order.h"
#include "render/mesh.h"
#include "render/pipeline.h"

namespace tessellune {

// Stores what remains of `face` (see the conventions). Faces with facing > 0 look away from the eye
// and are dropped; faces of more than MAX_CLIP_INPUT_CORNERS corners cannot be clipped and are
// refused. Returns the number of faces stored.
int32_t clipFace(RenderPipeline& pipeline, const Camera& camera, const PipelineFace& face, const Vec4& normal,
                 float facing, int32_t mask, const Material* materialOverride);

// clipFace for a mesh triangle given both ways: `triangle` is the compact copy of `face`, which is
// read instead of the face's own record whenever the triangle is stored as it comes.
int32_t clipMeshTriangle(RenderPipeline& pipeline, const Camera& camera, const MeshTriangle& triangle,
                         const PipelineFace& face, const Vec4& normal, float facing, int32_t mask,
                         const Material* materialOverride);

} // namespace tessellune
