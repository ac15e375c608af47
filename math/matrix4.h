// 4 x 4 float matrices, rotations and the three view/placement builders every stage shares.
//
// Conventions: row-major storage (element (r, c) at index 4r + c); row vectors multiplied from
// the left, p' = p · M; rows 0..2 are the images of the x, y and z axes and row 3 (indices 12..14)
// the translation. A · B applies A first, then B. Angles are radians; sine and cosine are taken in
// double precision and rounded to float once. Positive angles are right-handed: Rx turns +y toward
// +z, Ry turns +z toward +x, Rz turns +x toward +y. View space looks down -z with +y up.
#pragma once

#include "math/vec4.h"

namespace tessellune {

struct alignas(16) Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    float& operator()(int row, int column) { return m[4 * row + column]; }
    float operator()(int row, int column) const { return m[4 * row + column]; }
};

static_assert(sizeof(Matrix4) == 64 && alignof(Matrix4) == 16);

// makeLookAt treats a view direction as vertical when |x| and |z| are both below this (2^-23).
inline constexpr float LOOKAT_EPSILON = 1.1920929e-07f;

inline Matrix4 identityMatrix() {
    return Matrix4{};
}
Matrix4 translationMatrix(float x, float y, float z);

namespace scalar {

inline Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r(i, j) = a(i, 0) * b(0, j) + a(i, 1) * b(1, j) + a(i, 2) * b(2, j) + a(i, 3) * b(3, j);
        }
    }
    return r;
}

inline Vec4 transformPoint(const Matrix4& m, float x, float y, float z) {
    return {
        x * m(0, 0) + y * m(1, 0) + z * m(2, 0) + m(3, 0), x * m(0, 1) + y * m(1, 1) + z * m(2, 1) + m(3, 1),
        x * m(0, 2) + y * m(1, 2) + z * m(2, 2) + m(3, 2), x * m(0, 3) + y * m(1, 3) + z * m(2, 3) + m(3, 3)};
}

inline Vec4 transformDirection(const Matrix4& m, float x, float y, float z) {
    return {x * m(0, 0) + y * m(1, 0) + z * m(2, 0), x * m(0, 1) + y * m(1, 1) + z * m(2, 1),
            x * m(0, 2) + y * m(1, 2) + z * m(2, 2), 0.0f};
}

} // namespace scalar

#if TESSELLUNE_SSE

inline Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    const __m128 b0 = _mm_load_ps(&b.m[0]);
    const __m128 b1 = _mm_load_ps(&b.m[4]);
    const __m128 b2 = _mm_load_ps(&b.m[8]);
    const __m128 b3 = _mm_load_ps(&b.m[12]);
    Matrix4 r;
    for (int i = 0; i < 4; ++i) {
        __m128 row = _mm_mul_ps(_mm_set1_ps(a(i, 0)), b0);
        row = _mm_add_ps(row, _mm_mul_ps(_mm_set1_ps(a(i, 1)), b1));
        row = _mm_add_ps(row, _mm_mul_ps(_mm_set1_ps(a(i, 2)), b2));
        row = _mm_add_ps(row, _mm_mul_ps(_mm_set1_ps(a(i, 3)), b3));
        _mm_store_ps(&r.m[4 * i], row);
    }
    return r;
}

inline Vec4 transformPoint(const Matrix4& m, float x, float y, float z) {
    __m128 r = _mm_mul_ps(_mm_set1_ps(x), _mm_load_ps(&m.m[0]));
    r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(y), _mm_load_ps(&m.m[4])));
    r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(z), _mm_load_ps(&m.m[8])));
    r = _mm_add_ps(r, _mm_load_ps(&m.m[12]));
    return store(r);
}

inline Vec4 transformDirection(const Matrix4& m, float x, float y, float z) {
    __m128 r = _mm_mul_ps(_mm_set1_ps(x), _mm_load_ps(&m.m[0]));
    r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(y), _mm_load_ps(&m.m[4])));
    r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(z), _mm_load_ps(&m.m[8])));
    return store(clearW(r));
}

#else

using scalar::multiply;
using scalar::transformDirection;
using scalar::transformPoint;

#endif

inline Vec4 transformPoint(const Matrix4& m, const Vec4& p) {
    return transformPoint(m, p.x, p.y, p.z);
}
inline Vec4 transformDirection(const Matrix4& m, const Vec4& d) {
    return transformDirection(m, d.x, d.y, d.z);
}

// M := M · R(angle): the new rotation acts after whatever M already does.
void rotateX(Matrix4& m, float angle);
void rotateY(Matrix4& m, float angle);
void rotateZ(Matrix4& m, float angle);

// I · Rx(ax) · Ry(ay) · Rz(az): turned about x first, then y, then z.
Matrix4 eulerRotation(float ax, float ay, float az);

// Places an object: rotate about its origin, then move by t. p -> p · R + t.
void makePlacement(const float translation[3], const float angles[3], Matrix4& out);

// The free camera: move by t, then rotate about the origin. p -> (p + t) · R. Pass the negated
// camera position as t for a camera standing at that position.
void makeFreeView(const float translation[3], const float angles[3], Matrix4& out);

// A view matrix for an eye at `eye` looking along the unit direction `direction` (w = 0): points in
// front get negative z. Looking straight up or down, the camera's up axis is taken along x.
void makeLookAt(const float eye[3], const Vec4& direction, Matrix4& out);

} // namespace tessellune
