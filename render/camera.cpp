// Camera creation, box classification against the frustum and the per-pass vertex projection.
#include "render/camera.h"

#include <cmath>

#include "render/face_order.h"
#include "render/pipeline.h"

namespace tessellune {

namespace {

// Depth entries of the projection for near 1 and far 1000: -1001/999 and -2000/999.
constexpr float DEPTH_RANGE_SCALE = -1.002002f;
constexpr float DEPTH_RANGE_OFFSET = -2.002002f;
constexpr double HALF_ANGLE_DEGREES = 30.0;
constexpr double DEGREES_TO_RADIANS = 0.0174532925;

ClipPlane planeFromColumns(const Matrix4& p, int column, float sign) {
    const float a = p(0, 3) + sign * p(0, column);
    const float b = p(1, 3) + sign * p(1, column);
    const float c = p(2, 3) + sign * p(2, column);
    const float e = p(3, 3) + sign * p(3, column);
    const float f = 1.0f / std::sqrt(a * a + b * b + c * c);
    ClipPlane plane;
    plane.normal = {a * f, b * f, c * f, 0.0f};
    plane.distance = e * f;
    return plane;
}

} // namespace

void createCamera(Camera& camera, float width, float height, float aspect) {
    const float t = static_cast<float>(std::tan(HALF_ANGLE_DEGREES * DEGREES_TO_RADIANS));
    const float top = t;
    const float bottom = -t;
    const float right = t * aspect;
    const float left = -t * aspect;

    Matrix4 p;
    p.m[0] = 2.0f / (right - left);
    p.m[5] = 2.0f / (top - bottom);
    p.m[8] = (right + left) / (right - left);
    p.m[9] = (top + bottom) / (top - bottom);
    p.m[10] = DEPTH_RANGE_SCALE;
    p.m[11] = -1.0f;
    p.m[14] = DEPTH_RANGE_OFFSET;
    p.m[15] = 0.0f;
    camera.projection = p;

    camera.planes[PlaneRight] = planeFromColumns(p, 0, -1.0f);
    camera.planes[PlaneLeft] = planeFromColumns(p, 0, 1.0f);
    camera.planes[PlaneBottom] = planeFromColumns(p, 1, 1.0f);
    camera.planes[PlaneTop] = planeFromColumns(p, 1, -1.0f);
    camera.planes[PlaneFar] = planeFromColumns(p, 2, -1.0f);
    camera.planes[PlaneNear] = planeFromColumns(p, 2, 1.0f);

    Matrix4 s;
    s.m[0] = width * 0.5f;
    s.m[5] = height * -0.5f;
    s.m[12] = width * 0.5f;
    s.m[13] = height * 0.5f;
    camera.viewport = s;
    camera.width = width;
    camera.height = height;
    camera.screen = multiply(p, s);

    for (int32_t i = 0; i < 8; ++i) {
        const bool used = i < PlaneCount;
        camera.planeX[i] = used ? camera.planes[i].normal.x : 0.0f;
        camera.planeY[i] = used ? camera.planes[i].normal.y : 0.0f;
        camera.planeZ[i] = used ? camera.planes[i].normal.z : 0.0f;
        camera.planeW[i] = used ? camera.planes[i].normal.w : 0.0f;
        camera.planeDistance[i] = used ? camera.planes[i].distance : 0.0f;
    }
}

namespace scalar {

uint32_t insidePlanes(const Camera& camera, const Vec4& point) {
    uint32_t inside = 0;
    for (int32_t i = 0; i < PlaneCount; ++i) {
        if (scalar::dot(point, camera.planes[i].normal) + camera.planes[i].distance >= 0.0f) {
            inside |= 1u << i;
        }
    }
    return inside;
}

} // namespace scalar

#if TESSELLUNE_SSE

uint32_t insidePlanes(const Camera& camera, const Vec4& point) {
    const __m128 x = _mm_set1_ps(point.x);
    const __m128 y = _mm_set1_ps(point.y);
    const __m128 z = _mm_set1_ps(point.z);
    const __m128 w = _mm_set1_ps(point.w);
    const __m128 zero = _mm_setzero_ps();
    uint32_t inside = 0;
    for (int32_t half = 0; half < 2; ++half) {
        const int32_t o = 4 * half;
        __m128 d = _mm_mul_ps(x, _mm_load_ps(camera.planeX + o));
        d = _mm_add_ps(d, _mm_mul_ps(y, _mm_load_ps(camera.planeY + o)));
        d = _mm_add_ps(d, _mm_mul_ps(z, _mm_load_ps(camera.planeZ + o)));
        d = _mm_add_ps(d, _mm_mul_ps(w, _mm_load_ps(camera.planeW + o)));
        d = _mm_add_ps(d, _mm_load_ps(camera.planeDistance + o));
        // Ordered comparison: a NaN distance is not inside, as in the scalar test.
        inside |= static_cast<uint32_t>(_mm_movemask_ps(_mm_cmpge_ps(d, zero))) << o;
    }
    return inside & ((1u << PlaneCount) - 1u);
}

#else

uint32_t insidePlanes(const Camera& camera, const Vec4& point) {
    return scalar::insidePlanes(camera, point);
}

#endif

int32_t classifyBox(const Camera& camera, const Vec4 corners[8]) {
    uint32_t insideByCorner[8];
    for (int k = 0; k < 8; ++k) {
        insideByCorner[k] = insidePlanes(camera, corners[k]);
    }
    int32_t mask = 0;
    for (int32_t i = 0; i < PlaneCount; ++i) {
        int inside = 0;
        for (int k = 0; k < 8; ++k) {
            inside += (insideByCorner[k] >> i) & 1u;
        }
        if (inside == 0) {
            return OUTSIDE;
        }
        if (inside != 8) {
            mask |= 1 << i;
        }
    }
    return mask;
}

namespace scalar {

void projectVertexRange(const Camera& camera, RenderPipeline& pipeline, int32_t begin, int32_t end) {
    const Matrix4& c = camera.screen;
    for (int32_t i = begin; i < end; ++i) {
        PipelineVertex& v = pipeline.vertices[i];
        const float x = v.position.x;
        const float y = v.position.y;
        const float z = v.position.z;
        const float sx = x * c(0, 0) + y * c(1, 0) + z * c(2, 0) + c(3, 0);
        const float sy = x * c(0, 1) + y * c(1, 1) + z * c(2, 1) + c(3, 1);
        const float sz = x * c(0, 2) + y * c(1, 2) + z * c(2, 2) + c(3, 2);
        const float w = x * c(0, 3) + y * c(1, 3) + z * c(2, 3) + c(3, 3);
        // IEEE division: W = 0 gives infinities, never a trap; such vertices belong to no face.
        const float r = 1.0f / w;
        v.screen = {sx * r, sy * r, sz * r, w};
    }
}

void projectVertices(const Camera& camera, RenderPipeline& pipeline) {
    scalar::projectVertexRange(camera, pipeline, 0, pipeline.vertexBase);
    noteVerticesProjected(pipeline);
}

} // namespace scalar

#if TESSELLUNE_SSE

void projectVertexRange(const Camera& camera, RenderPipeline& pipeline, int32_t begin, int32_t end) {
    const Matrix4& c = camera.screen;
    const __m128 row0 = _mm_load_ps(&c.m[0]);
    const __m128 row1 = _mm_load_ps(&c.m[4]);
    const __m128 row2 = _mm_load_ps(&c.m[8]);
    const __m128 row3 = _mm_load_ps(&c.m[12]);
    for (int32_t i = begin; i < end; ++i) {
        PipelineVertex& v = pipeline.vertices[i];
        // Lane by lane the same sums as the scalar form, left to right.
        __m128 s = _mm_mul_ps(_mm_set1_ps(v.position.x), row0);
        s = _mm_add_ps(s, _mm_mul_ps(_mm_set1_ps(v.position.y), row1));
        s = _mm_add_ps(s, _mm_mul_ps(_mm_set1_ps(v.position.z), row2));
        s = _mm_add_ps(s, row3);
        const __m128 w = _mm_shuffle_ps(s, s, _MM_SHUFFLE(3, 3, 3, 3));
        const __m128 r = _mm_div_ps(_mm_set1_ps(1.0f), w);
        __m128 projected = _mm_mul_ps(s, r);
        // Put W itself back in the last lane: (X', Y', Z') * r, W.
        const __m128 zw = _mm_shuffle_ps(projected, s, _MM_SHUFFLE(3, 3, 2, 2));
        projected = _mm_shuffle_ps(projected, zw, _MM_SHUFFLE(2, 0, 1, 0));
        _mm_store_ps(&v.screen.x, projected);
    }
}

#else

void projectVertexRange(const Camera& camera, RenderPipeline& pipeline, int32_t begin, int32_t end) {
    scalar::projectVertexRange(camera, pipeline, begin, end);
}

#endif

void projectVertices(const Camera& camera, RenderPipeline& pipeline) {
    projectVertexRange(camera, pipeline, 0, pipeline.vertexBase);
    noteVerticesProjected(pipeline);
}

} // namespace tessellune
