// Rotations and the placement, free-view and look-at builders.
#include "math/matrix4.h"

#include <cmath>

namespace tessellune {

namespace {

// Sine and cosine in double precision, each rounded to float once, so every platform agrees.
struct SinCos {
    float s;
    float c;
};

SinCos sinCos(float angle) {
    return {static_cast<float>(std::sin(static_cast<double>(angle))),
            static_cast<float>(std::cos(static_cast<double>(angle)))};
}

Matrix4 rowsOf(const Vec4& r0, const Vec4& r1, const Vec4& r2, const Vec4& r3) {
    return Matrix4{
        {r0.x, r0.y, r0.z, r0.w, r1.x, r1.y, r1.z, r1.w, r2.x, r2.y, r2.z, r2.w, r3.x, r3.y, r3.z, r3.w}};
}

} // namespace

Matrix4 translationMatrix(float x, float y, float z) {
    Matrix4 t;
    t(3, 0) = x;
    t(3, 1) = y;
    t(3, 2) = z;
    return t;
}

void rotateX(Matrix4& m, float angle) {
    const auto [s, c] = sinCos(angle);
    m = multiply(m, rowsOf({1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}));
}

void rotateY(Matrix4& m, float angle) {
    const auto [s, c] = sinCos(angle);
    m = multiply(m, rowsOf({c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}));
}

void rotateZ(Matrix4& m, float angle) {
    const auto [s, c] = sinCos(angle);
    m = multiply(m, rowsOf({c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}));
}

Matrix4 eulerRotation(float ax, float ay, float az) {
    Matrix4 r;
    rotateX(r, ax);
    rotateY(r, ay);
    rotateZ(r, az);
    return r;
}

void makePlacement(const float translation[3], const float angles[3], Matrix4& out) {
    out = eulerRotation(angles[0], angles[1], angles[2]);
    out(3, 0) = translation[0];
    out(3, 1) = translation[1];
    out(3, 2) = translation[2];
    out(3, 3) = 1.0f;
}

void makeFreeView(const float translation[3], const float angles[3], Matrix4& out) {
    const Matrix4 r = eulerRotation(angles[0], angles[1], angles[2]);
    out = r;
    const Vec4 moved = transformDirection(r, translation[0], translation[1], translation[2]);
    out(3, 0) = moved.x;
    out(3, 1) = moved.y;
    out(3, 2) = moved.z;
    out(3, 3) = 1.0f;
}

void makeLookAt(const float eye[3], const Vec4& direction, Matrix4& out) {
    const Vec4 f = {-direction.x, -direction.y, -direction.z, -direction.w};
    const bool vertical = std::fabs(f.x) < LOOKAT_EPSILON && std::fabs(f.z) < LOOKAT_EPSILON;
    const Vec4 up = vertical ? Vec4{-f.y, 0, 0, 0} : Vec4{0, 1, 0, 0};
    const Vec4 s = normalize(cross(up, f));
    const Vec4 u = cross(f, s);

    out = rowsOf({s.x, u.x, f.x, 0}, {s.y, u.y, f.y, 0}, {s.z, u.z, f.z, 0}, {0, 0, 0, 1});
    const Vec4 p = {eye[0], eye[1], eye[2], 0.0f};
    out(3, 0) = -(p.x * s.x + p.y * s.y + p.z * s.z);
    out(3, 1) = -(p.x * u.x + p.y * u.y + p.z * u.z);
    out(3, 2) = -(p.x * f.x + p.y * f.y + p.z * f.z);
}

} // namespace tessellune
