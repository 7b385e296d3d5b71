#include <cmath>

#include <gtest/gtest.h>

#include "math/Vec3.h"

namespace {

void ExpectVec3Eq(const Vec3& expected, const Vec3& actual) {
    EXPECT_FLOAT_EQ(expected.x, actual.x);
    EXPECT_FLOAT_EQ(expected.y, actual.y);
    EXPECT_FLOAT_EQ(expected.z, actual.z);
}

TEST(Vec3Test, ArithmeticIsComponentWise) {
    const Vec3 a(1.0f, 2.0f, 3.0f);
    const Vec3 b(4.0f, -5.0f, 6.5f);
    ExpectVec3Eq(Vec3(5.0f, -3.0f, 9.5f), a + b);
    ExpectVec3Eq(Vec3(-3.0f, 7.0f, -3.5f), a - b);
    ExpectVec3Eq(Vec3(-0.5f, -1.0f, -1.5f), -0.5f * a);
    ExpectVec3Eq(Vec3(2.0f, 4.0f, 6.0f), a * 2.0f);

    Vec3 c = a;
    c += b;
    ExpectVec3Eq(a + b, c);
    c -= b;
    ExpectVec3Eq(a, c);
}

TEST(Vec3Test, DotAndRightHandedCross) {
    const Vec3 a(2.0f, 3.0f, 4.0f);
    const Vec3 b(5.0f, 6.0f, 7.0f);
    EXPECT_FLOAT_EQ(56.0f, Dot(a, b));
    ExpectVec3Eq(Vec3(-3.0f, 6.0f, -3.0f), Cross(a, b));
    ExpectVec3Eq(Vec3(0.0f, 0.0f, 1.0f), Cross(Vec3(1.0f, 0.0f, 0.0f), Vec3(0.0f, 1.0f, 0.0f)));
}

TEST(Vec3Test, NormalizeScalesToUnitLengthInPlace) {
    Vec3 v(3.0f, 0.0f, 4.0f);
    EXPECT_FLOAT_EQ(5.0f, v.Length());

    Vec3& result = v.Normalize();
    EXPECT_EQ(&v, &result);
    ExpectVec3Eq(Vec3(0.6f, 0.0f, 0.8f), v);
}

TEST(Vec3Test, NormalizingZeroGivesNonFiniteComponents) {
    Vec3 v(1.0f, 2.0f, 3.0f);
    v.SetZero();
    v.Normalize();
    EXPECT_FALSE(std::isfinite(v.x));
    EXPECT_FALSE(std::isfinite(v.y));
    EXPECT_FALSE(std::isfinite(v.z));
}

}  // namespace
