// The camera: six view-space clip planes and the projection from view space to screen pixels.
//
// Conventions: view space looks down -z with +y up; a point p is inside plane i when
// dot(p, normal) + distance >= 0. Planes are ordered right, left, bottom, top, far, near and plane i
// owns clip-mask bit 1 << i. Screen X grows to the right, Y downward, row 0 at the top; projected
// depth Z is -1 on the near plane and +1 on the far plane; W is the distance along the view axis.
#pragma once

#include <cstdint>

#include "math/matrix4.h"

namespace tessellune {

struct RenderPipeline;

inline constexpr int32_t OUTSIDE = -1;
inline constexpr int32_t CLIP_ALL_PLANES = 63;

enum ClipPlaneIndex : int32_t {
    PlaneRight = 0,
    PlaneLeft,
    PlaneBottom,
    PlaneTop,
    PlaneFar,
    PlaneNear,
    PlaneCount
};

struct alignas(16) ClipPlane {
    Vec4 normal; // unit length in x, y, z; w = 0
    float distance = 0.0f;
};

struct alignas(16) Camera {
    ClipPlane planes[PlaneCount];
    float width = 0.0f;
    float height = 0.0f;
    Matrix4 projection;
    Matrix4 viewport;
    Matrix4 screen; // projection · viewport: the only matrix projectVertices reads

    // The planes again, one array per coefficient (slots 6 and 7 unused), so that a point is
    // tested against all six at once.
    alignas(16) float planeX[8];
    alignas(16) float planeY[8];
    alignas(16) float planeZ[8];
    alignas(16) float planeW[8];
    alignas(16) float planeDistance[8];
};

// Vertical half-angle 30 degrees, near 1, far 1000; aspect is width over height of the view.
void createCamera(Camera& camera, float width, float height, float aspect);

// Bit i set when the point is inside plane i: dot(p, normal) + distance >= 0, summed in the same
// order as dot, so the answer is the one a plane-by-plane test gives.
uint32_t insidePlanes(const Camera& camera, const Vec4& point);

// OUTSIDE when all eight corners lie outside one plane, else the mask of the planes they straddle.
int32_t classifyBox(const Camera& camera, const Vec4 corners[8]);

// Screen position (X, Y, Z, W) of every vertex committed in the pass. Vertices behind the eye get
// meaningless values without trapping; no face refers to them. Before or after the ordering: when
// the faces are already ordered, their row spans are laid out here.
void projectVertices(const Camera& camera, RenderPipeline& pipeline);

// What projectVertices does to each vertex, for vertices [begin, end) only, so that threads can
// share a pass's vertices by ranges. The pass's flags are left alone: once every range is done,
// noteVerticesProjected (render/face_order.h) finishes the step.
void projectVertexRange(const Camera& camera, RenderPipeline& pipeline, int32_t begin, int32_t end);

namespace scalar {
void projectVertices(const Camera& camera, RenderPipeline& pipeline);
void projectVertexRange(const Camera& camera, RenderPipeline& pipeline, int32_t begin, int32_t end);
uint32_t insidePlanes(const Camera& camera, const Vec4& point);
} // namespace scalar

} // namespace tessellune
