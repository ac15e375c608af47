// Vectors, products and rotations: the conventions the whole renderer relies on, and SSE == scalar.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "math/matrix4.h"

using namespace tessellune;

namespace {

constexpr float PI_F = 3.14159265358979f;

bool sameBits(const Vec4& a, const Vec4& b) {
    return std::memcmp(&a, &b, sizeof(Vec4)) == 0;
}
bool sameBits(const Matrix4& a, const Matrix4& b) {
    return std::memcmp(&a, &b, sizeof(Matrix4)) == 0;
}

void expectNear(const Vec4& v, float x, float y, float z, float w, float eps = 1e-6f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
    EXPECT_NEAR(v.w, w, eps);
}

Matrix4 randomMatrix(std::mt19937& rng) {
    std::uniform_real_distribution<float> d(-100.0f, 100.0f);
    Matrix4 m;
    for (float& e : m.m) {
        e = d(rng);
    }
    return m;
}

Vec4 randomVec(std::mt19937& rng) {
    std::uniform_real_distribution<float> d(-1000.0f, 1000.0f);
    return {d(rng), d(rng), d(rng), d(rng)};
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

TEST(Vectors, SseAndScalarGiveIdenticalBits) {
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const Vec4 a = randomVec(rng), b = randomVec(rng);
        ASSERT_EQ(dot(a, b), scalar::dot(a, b));
        ASSERT_TRUE(sameBits(cross(a, b), scalar::cross(a, b)));
        ASSERT_TRUE(sameBits(normalize(a), scalar::normalize(a)));
        ASSERT_TRUE(sameBits(add(a, b), scalar::add(a, b)));
        ASSERT_TRUE(sameBits(sub(a, b), scalar::sub(a, b)));
        ASSERT_TRUE(sameBits(scale(a, b.x), scalar::scale(a, b.x)));
    }
}

TEST(Matrices, SseAndScalarGiveIdenticalBits) {
    std::mt19937 rng(11);
    for (int i = 0; i < 5000; ++i) {
        const Matrix4 a = randomMatrix(rng), b = randomMatrix(rng);
        const Vec4 p = randomVec(rng);
        ASSERT_TRUE(sameBits(multiply(a, b), scalar::multiply(a, b)));
        ASSERT_TRUE(sameBits(transformPoint(a, p), scalar::transformPoint(a, p.x, p.y, p.z)));
        ASSERT_TRUE(sameBits(transformDirection(a, p), scalar::transformDirection(a, p.x, p.y, p.z)));
    }
}

TEST(Matrices, ProductAppliesLeftOperandFirst) {
    // Translate by (1, 0, 0), then turn a quarter about z: (0,0,0) -> (1,0,0) -> (0,1,0).
    Matrix4 turn;
    rotateZ(turn, PI_F / 2);
    const Matrix4 moveThenTurn = multiply(translationMatrix(1, 0, 0), turn);
    expectNear(transformPoint(moveThenTurn, 0, 0, 0), 0, 1, 0, 1);
    const Matrix4 turnThenMove = multiply(turn, translationMatrix(1, 0, 0));
    expectNear(transformPoint(turnThenMove, 0, 0, 0), 1, 0, 0, 1);
    // Directions ignore row 3.
    expectNear(transformDirection(moveThenTurn, makeDirection(1, 0, 0)), 0, 1, 0, 0);
}

TEST(Matrices, PositiveRotationsAreRightHanded) {
    Matrix4 rx, ry, rz;
    rotateX(rx, PI_F / 2);
    rotateY(ry, PI_F / 2);
    rotateZ(rz, PI_F / 2);
    expectNear(transformPoint(rx, 0, 1, 0), 0, 0, 1, 1); // +y toward +z
    expectNear(transformPoint(ry, 0, 0, 1), 1, 0, 0, 1); // +z toward +x
    expectNear(transformPoint(rz, 1, 0, 0), 0, 1, 0, 1); // +x toward +y
}

TEST(Matrices, RotationsPostMultiplyAndEulerTurnsXThenYThenZ) {
    // x first: +y goes to +z; then y: +z goes to +x; then z by 0. So +y ends on +x.
    const Matrix4 r = eulerRotation(PI_F / 2, PI_F / 2, 0);
    expectNear(transformPoint(r, 0, 1, 0), 1, 0, 0, 1);
    // The reverse order would send +y to +z instead.
    Matrix4 reversed;
    rotateY(reversed, PI_F / 2);
    rotateX(reversed, PI_F / 2);
    expectNear(transformPoint(reversed, 0, 1, 0), 0, 0, 1, 1);
}

TEST(Matrices, SineAndCosineAreRoundedOnceFromDouble) {
    const float angle = 0.7f;
    Matrix4 r;
    rotateZ(r, angle);
    EXPECT_EQ(r(0, 0), static_cast<float>(std::cos(static_cast<double>(angle))));
    EXPECT_EQ(r(0, 1), static_cast<float>(std::sin(static_cast<double>(angle))));
    EXPECT_EQ(r(1, 0), -static_cast<float>(std::sin(static_cast<double>(angle))));
}
