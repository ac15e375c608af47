// Four-float vectors: the unit of every position, normal and colour in the renderer.
//
// Conventions: a Vec4 is 16-byte aligned so it loads into one SSE register. Points carry w = 1,
// directions and normals w = 0. dot and normalize use all four lanes, so directions must have
// w = 0. Every operation has a plain scalar form in namespace scalar; the SSE form gives the same
// bits (same operations in the same order, no reciprocal approximations, no fused multiply-add).
#pragma once

#include <cmath>

#include "math/simd.h"

namespace tessellune {

struct alignas(16) Vec4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

static_assert(sizeof(Vec4) == 16 && alignof(Vec4) == 16);

namespace scalar {

inline Vec4 add(const Vec4& a, const Vec4& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}
inline Vec4 sub(const Vec4& a, const Vec4& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}
inline Vec4 mul(const Vec4& a, const Vec4& b) {
    return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w};
}
inline Vec4 scale(const Vec4& a, float s) {
    return {a.x * s, a.y * s, a.z * s, a.w * s};
}
inline float dot(const Vec4& a, const Vec4& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}
inline Vec4 cross(const Vec4& a, const Vec4& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
}
inline Vec4 normalize(const Vec4& v) {
    const float length = std::sqrt(dot(v, v));
    return {v.x / length, v.y / length, v.z / length, v.w / length};
}

} // namespace scalar

#if TESSELLUNE_SSE

inline __m128 load(const Vec4& v) {
    return _mm_load_ps(&v.x);
}
inline Vec4 store(__m128 r) {
    Vec4 v;
    _mm_store_ps(&v.x, r);
    return v;
}
// Lane w set to +0 inside the register: writing v.w after a whole-vector store makes the next
// vector load wait for the two stores to merge, which cost more than the transform itself.
inline __m128 clearW(__m128 r) {
    return _mm_and_ps(r, _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1)));
}

inline Vec4 add(const Vec4& a, const Vec4& b) {
    return store(_mm_add_ps(load(a), load(b)));
}
inline Vec4 sub(const Vec4& a, const Vec4& b) {
    return store(_mm_sub_ps(load(a), load(b)));
}
inline Vec4 mul(const Vec4& a, const Vec4& b) {
    return store(_mm_mul_ps(load(a), load(b)));
}
inline Vec4 scale(const Vec4& a, float s) {
    return store(_mm_mul_ps(load(a), _mm_set1_ps(s)));
}

inline float dot(const Vec4& a, const Vec4& b) {
    // Products four lanes at once, then summed x, y, z, w in order like the scalar form.
    const __m128 p = _mm_mul_ps(load(a), load(b));
    __m128 sum = _mm_add_ss(p, _mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 1, 1, 1)));
    sum = _mm_add_ss(sum, _mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 2, 2, 2)));
    sum = _mm_add_ss(sum, _mm_shuffle_ps(p, p, _MM_SHUFFLE(3, 3, 3, 3)));
    return _mm_cvtss_f32(sum);
}

inline Vec4 cross(const Vec4& a, const Vec4& b) {
    const __m128 va = load(a);
    const __m128 vb = load(b);
    const __m128 aYzx = _mm_shuffle_ps(va, va, _MM_SHUFFLE(3, 0, 2, 1));
    const __m128 bZxy = _mm_shuffle_ps(vb, vb, _MM_SHUFFLE(3, 1, 0, 2));
    const __m128 aZxy = _mm_shuffle_ps(va, va, _MM_SHUFFLE(3, 1, 0, 2));
    const __m128 bYzx = _mm_shuffle_ps(vb, vb, _MM_SHUFFLE(3, 0, 2, 1));
    // a.w * b.w - a.w * b.w is not 0 for infinities; the result is a direction
    return store(clearW(_mm_sub_ps(_mm_mul_ps(aYzx, bZxy), _mm_mul_ps(aZxy, bYzx))));
}

inline Vec4 normalize(const Vec4& v) {
    const float length = std::sqrt(dot(v, v));
    return store(_mm_div_ps(load(v), _mm_set1_ps(length)));
}

#else

using scalar::add;
using scalar::cross;
using scalar::dot;
using scalar::mul;
using scalar::normalize;
using scalar::scale;
using scalar::sub;

#endif

inline Vec4 makePoint(float x, float y, float z) {
    return {x, y, z, 1.0f};
}
inline Vec4 makeDirection(float x, float y, float z) {
    return {x, y, z, 0.0f};
}

} // namespace tessellune
