#include <cmath>

#include <gtest/gtest.h>

#include "math/Mat3.h"
#include "math/MathConstants.h"

namespace {

const float kPi = 3.14159265358979f;
const float kTolerance = 1e-6f;

void ExpectVec3Near(const Vec3& expected, const Vec3& actual, float tolerance = kTolerance) {
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

void ExpectIdentity(const Mat3& m) {
    ExpectVec3Near(kUnitXVec3, m.c0, 0.0f);
    ExpectVec3Near(kUnitYVec3, m.c1, 0.0f);
    ExpectVec3Near(kUnitZVec3, m.c2, 0.0f);
}

Vec3 Rotate(const Mat3& m, const Vec3& v) {
    Vec3 out;
    m.MultiplyVector(v, out);
    return out;
}

TEST(Mat3Test, MultiplyVectorTakesColumnsAsTheImagesOfTheAxes) {
    const Mat3 m(Vec3(1.0f, 2.0f, 3.0f), Vec3(4.0f, 5.0f, 6.0f), Vec3(7.0f, 8.0f, 9.0f));

    ExpectVec3Near(Vec3(1.0f, 2.0f, 3.0f), Rotate(m, kUnitXVec3));
    ExpectVec3Near(Vec3(4.0f, 5.0f, 6.0f), Rotate(m, kUnitYVec3));
    ExpectVec3Near(Vec3(30.0f, 36.0f, 42.0f), Rotate(m, Vec3(1.0f, 2.0f, 3.0f)));

    Vec3 out(-1.0f, -1.0f, -1.0f);
    Vec3& result = m.MultiplyVector(kUnitZVec3, out);
    EXPECT_EQ(&out, &result);
    ExpectVec3Near(Vec3(7.0f, 8.0f, 9.0f), out);

    // Rotating a vector in place reads all of it before writing.
    Vec3 v(1.0f, 2.0f, 3.0f);
    m.MultiplyVector(v, v);
    ExpectVec3Near(Vec3(30.0f, 36.0f, 42.0f), v);
}

TEST(Mat3Test, ZeroAngleGivesIdentityEvenForZeroAxis) {
    Mat3 m(Vec3(1.0f, 2.0f, 3.0f), Vec3(4.0f, 5.0f, 6.0f), Vec3(7.0f, 8.0f, 9.0f));
    m.SetRotation(0.0f, kZeroVec3);
    ExpectIdentity(m);

    m.SetRotation(0.0f, Vec3(0.3f, -0.4f, 0.5f));
    ExpectIdentity(m);
}

TEST(Mat3Test, QuarterTurnAboutZIsRightHanded) {
    Mat3 m;
    m.SetRotation(kPi / 2.0f, kUnitZVec3);
    ExpectVec3Near(kUnitYVec3, Rotate(m, kUnitXVec3));
    ExpectVec3Near(Vec3(-1.0f, 0.0f, 0.0f), Rotate(m, kUnitYVec3));
    ExpectVec3Near(kUnitZVec3, Rotate(m, kUnitZVec3));
}

TEST(Mat3Test, MatchesRodriguesFormulaForAGeneralAxis) {
    // v' = v cos a + (k x v) sin a + k (k . v)(1 - cos a), worked out independently.
    Vec3 axis(1.0f, -2.0f, 2.0f);
    axis.Normalize();
    const float angle = 0.7f;
    const Vec3 v(0.5f, 3.0f, -1.25f);

    Mat3 m;
    m.SetRotation(angle, axis);

    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const Vec3 expected = v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1.0f - c));
    ExpectVec3Near(expected, Rotate(m, v), 1e-5f);
    EXPECT_NEAR(v.Length(), Rotate(m, v).Length(), 1e-5f);

    // A third of a turn about the main diagonal cycles the axes x -> y -> z -> x.
    Vec3 diagonal(1.0f, 1.0f, 1.0f);
    diagonal.Normalize();
    m.SetRotation(2.0f * kPi / 3.0f, diagonal);
    ExpectVec3Near(kUnitYVec3, Rotate(m, kUnitXVec3));
    ExpectVec3Near(kUnitZVec3, Rotate(m, kUnitYVec3));
    ExpectVec3Near(kUnitXVec3, Rotate(m, kUnitZVec3));
}

TEST(Mat3Test, RotateBasisPairTurnsTheTwoAxesAndLeavesTheThird) {
    Vec3 x = kUnitXVec3;
    Vec3 y = kUnitYVec3;
    const Vec3 z = kUnitZVec3;
    RotateBasisPair(90.0f, z, x, y);
    ExpectVec3Near(kUnitYVec3, x);
    ExpectVec3Near(Vec3(-1.0f, 0.0f, 0.0f), y);
    ExpectVec3Near(kUnitZVec3, z, 0.0f);

    RotateBasisPair(-90.0f, z, x, y);
    ExpectVec3Near(kUnitXVec3, x);
    ExpectVec3Near(kUnitYVec3, y);
}

TEST(Mat3Test, RotateBasisPairRestoresAndKeepsUnitLength) {
    // Axes that have drifted off unit length come back after one turn and stay there.
    Vec3 y(0.0f, 1.1f, 0.0f);
    Vec3 z(0.0f, 0.0f, 0.9f);
    RotateBasisPair(30.0f, kUnitXVec3, y, z);
    EXPECT_FLOAT_EQ(1.0f, y.Length());
    EXPECT_FLOAT_EQ(1.0f, z.Length());

    for (int i = 0; i < 10000; ++i) {
        RotateBasisPair(0.73f, kUnitXVec3, y, z);
    }
    EXPECT_NEAR(1.0f, y.Length(), 1e-6f);
    EXPECT_NEAR(1.0f, z.Length(), 1e-6f);
    EXPECT_NEAR(0.0f, Dot(y, z), 1e-4f);
    EXPECT_NEAR(0.0f, y.x, 1e-6f);
}

}  // namespace
