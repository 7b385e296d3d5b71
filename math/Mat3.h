#pragma once

#include <cstddef>
#include <type_traits>

#include "math/Vec3.h"

// A 3x3 single-precision matrix stored as three columns c0, c1, c2 (nine floats, column after
// column). The program uses it only for rotations, so default construction gives the identity.
// M * v = c0 * v.x + c1 * v.y + c2 * v.z.
// The constant kIdentityMat3 lives in math/MathConstants.h.
struct Mat3 {
    Vec3 c0;
    Vec3 c1;
    Vec3 c2;

    constexpr Mat3() : c0(1.0f, 0.0f, 0.0f), c1(0.0f, 1.0f, 0.0f), c2(0.0f, 0.0f, 1.0f) {}
    constexpr Mat3(const Vec3& column0, const Vec3& column1, const Vec3& column2)
        : c0(column0), c1(column1), c2(column2) {}

    // Makes this the right-handed rotation by angleRadians about axis, which should be of unit
    // length. An angle of exactly 0 gives the identity whatever the axis, even a zero one.
    void SetRotation(float angleRadians, const Vec3& axis);

    // Writes M * v into out and returns out. out may be the same vector as v. Defined here:
    // drawing calls it twice per face every frame.
    Vec3& MultiplyVector(const Vec3& v, Vec3& out) const {
        // Read v completely before writing, so rotating a vector in place works.
        const Vec3 result(c0.x * v.x + c1.x * v.y + c2.x * v.z,
                          c0.y * v.x + c1.y * v.y + c2.y * v.z,
                          c0.z * v.x + c1.z * v.y + c2.z * v.z);
        out = result;
        return out;
    }
};

static_assert(sizeof(Mat3) == 9 * sizeof(float), "Mat3 must be exactly nine floats");
static_assert(offsetof(Mat3, c2) == 6 * sizeof(float), "Mat3 columns are stored in order");
static_assert(std::is_standard_layout<Mat3>::value, "Mat3 is read as a float array");
static_assert(std::is_trivially_copyable<Mat3>::value, "Mat3 is copied as plain data");

// Turns the pair of basis axes first and second by degrees about axis (normally the third axis
// of the same orthonormal basis, which stays as it is), then normalises both. Re-normalising
// after every turn keeps float error from shrinking or growing the axes over many frames; the
// axes are not re-orthogonalised. The angle is converted with kDegreesToRadians, so 90 degrees
// is 1.5707970 radians, a hair more than a quarter turn.
void RotateBasisPair(float degrees, const Vec3& axis, Vec3& first, Vec3& second);
