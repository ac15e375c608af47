// Vectors, products and rotations: the conventions the whole renderer relies on, and SSE == scalar.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "math/matrix4.h"

using namespace tessellune;

namespace {

constexpr float PI_F = 3.14159265358979f;

template <typename T>
bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void expectNear(const Vec4& v, float x, float y, float z, float w, float eps = 1e-6f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
    EXPECT_NEAR(v.w, w, eps);
}

Vec4 randomVec(std::mt19937& rng, float reach = 1000.0f) {
    std::uniform_real_distribution<float> d(-reach, reach);
    return {d(rng), d(rng), d(rng), d(rng)};
}

Matrix4 randomMatrix(std::mt19937& rng) {
    Matrix4 m;
    for (int row = 0; row < 4; ++row) {
        const Vec4 r = randomVec(rng, 100.0f);
        std::memcpy(&m.m[4 * row], &r, sizeof r);
    }
    return m;
}

} // namespace

TEST(Vectors, CrossAndDotFollowRightHandedAxes) {
    const Vec4 x = makeDirection(1, 0, 0), y = makeDirection(0, 1, 0), z = makeDirection(0, 0, 1);
    expectNear(cross(x, y), 0, 0, 1, 0);
    expectNear(cross(y, z), 1, 0, 0, 0);
    expectNear(cross(z, x), 0, 1, 0, 0);
    EXPECT_FLOAT_EQ(dot(Vec4{1, 2, 3, 4}, Vec4{5, 6, 7, 8}), 70.0f); // all four lanes count
    // w takes part in normalisation, so a point does not come out as a unit direction.
    expectNear(normalize(makeDirection(3, 0, 4)), 0.6f, 0, 0.8f, 0);
    EXPECT_LT(normalize(makePoint(3, 0, 4)).x, 0.6f);
}

TEST(VectorsAndMatrices, SseAndScalarGiveIdenticalBits) {
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const Vec4 a = randomVec(rng), b = randomVec(rng);
        ASSERT_EQ(dot(a, b), scalar::dot(a, b));
        ASSERT_TRUE(sameBits(cross(a, b), scalar::cross(a, b)));
        ASSERT_TRUE(sameBits(normalize(a), scalar::normalize(a)));
        ASSERT_TRUE(sameBits(add(a, b), scalar::add(a, b)));
        ASSERT_TRUE(sameBits(sub(a, b), scalar::sub(a, b)));
        ASSERT_TRUE(sameBits(scale(a, b.x), scalar::scale(a, b.x)));
        const Matrix4 m = randomMatrix(rng), n = randomMatrix(rng);
        ASSERT_TRUE(sameBits(multiply(m, n), scalar::multiply(m, n)));
        ASSERT_TRUE(sameBits(transformPoint(m, a), scalar::transformPoint(m, a.x, a.y, a.z)));
        ASSERT_TRUE(sameBits(transformDirection(m, a), scalar::transformDirection(m, a.x, a.y, a.z)));
    }
}

// Where known points land: the product applies its left operand first, positive turns are
// right-handed, and the Euler rotation turns about x, then y, then z.
TEST(Matrices, ProductsAndRotationsMoveKnownPointsWhereTheAxesSay) {
    Matrix4 rx, ry, rz, yThenX;
    rotateX(rx, PI_F / 2);
    rotateY(ry, PI_F / 2);
    rotateZ(rz, PI_F / 2);
    rotateY(yThenX, PI_F / 2);
    rotateX(yThenX, PI_F / 2);
    const struct {
        Matrix4 m;
        Vec4 from, to;
    } cases[] = {
        {multiply(translationMatrix(1, 0, 0), rz), {0, 0, 0, 1}, {0, 1, 0, 1}}, // moved, then turned
        {multiply(rz, translationMatrix(1, 0, 0)), {0, 0, 0, 1}, {1, 0, 0, 1}}, // turned, then moved
        {multiply(translationMatrix(1, 0, 0), rz), {1, 0, 0, 0}, {0, 1, 0, 0}}, // directions ignore row 3
        {rx, {0, 1, 0, 1}, {0, 0, 1, 1}},                                       // +y toward +z
        {ry, {0, 0, 1, 1}, {1, 0, 0, 1}},                                       // +z toward +x
        {rz, {1, 0, 0, 1}, {0, 1, 0, 1}},                                       // +x toward +y
        {eulerRotation(PI_F / 2, PI_F / 2, 0), {0, 1, 0, 1}, {1, 0, 0, 1}},     // +y to +z, then to +x
        {yThenX, {0, 1, 0, 1}, {0, 0, 1, 1}}, // rotations post-multiply: y first, then x
    };
    for (const auto& c : cases) {
        const Vec4 to = c.from.w != 0.0f ? transformPoint(c.m, c.from) : transformDirection(c.m, c.from);
        expectNear(to, c.to.x, c.to.y, c.to.z, c.to.w);
    }
}

TEST(Matrices, SineAndCosineAreRoundedOnceFromDouble) {
    const float angle = 0.7f;
    Matrix4 r;
    rotateZ(r, angle);
    EXPECT_EQ(r(0, 0), static_cast<float>(std::cos(static_cast<double>(angle))));
    EXPECT_EQ(r(0, 1), static_cast<float>(std::sin(static_cast<double>(angle))));
    EXPECT_EQ(r(1, 0), -static_cast<float>(std::sin(static_cast<double>(angle))));
}
