#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "math/MathConstants.h"

namespace {

std::uint32_t Bits(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Read during this file's static initialisation, as other files' globals may do.
const Vec3 gStartingEye = kUnitZVec3 * 1000.0f;
const Transform gStartingPlacement = kIdentityTransform;

TEST(MathConstantsTest, ScalarConstantsHaveTheirExactBitPatterns) {
    EXPECT_EQ(0x3C8EFA39u, Bits(kDegreesToRadians));
    EXPECT_EQ(0x42652EE6u, Bits(kRadiansToDegrees));
    EXPECT_EQ(0x3A83126Fu, Bits(kEpsilon));
    EXPECT_EQ(0x358637BDu, Bits(kSmallEpsilon));
}

TEST(MathConstantsTest, QuarterTurnInDegreesIsSlightlyMoreThanHalfPi) {
    const float quarterTurn = 90.0f * kDegreesToRadians;
    EXPECT_EQ(1.5707970f, quarterTurn);
    EXPECT_NE(static_cast<float>(3.14159265358979 / 2.0), quarterTurn);
}

TEST(MathConstantsTest, ConstantsAreSetBeforeStaticInitialisation) {
    EXPECT_EQ(1000.0f, gStartingEye.z);
    EXPECT_EQ(1.0f, gStartingPlacement.zAxis.z);
    EXPECT_EQ(0.0f, gStartingPlacement.translation.z);
}

}  // namespace
