#include "math/Mat3.h"

#include <cmath>

#include "math/MathConstants.h"

void Mat3::SetRotation(float angleRadians, const Vec3& axis) {
    // Exactly zero, not nearly zero: callers pass 0 to mean "no turn" and may have no axis.
    if (angleRadians == 0.0f) {
        *this = kIdentityMat3;
        return;
    }

    const float c = std::cos(angleRadians);
    const float s = std::sin(angleRadians);
    const float t = 1.0f - c;
    const float x = axis.x;
    const float y = axis.y;
    const float z = axis.z;

    c0 = Vec3(t * x * x + c, t * x * y + s * z, t * x * z - s * y);
    c1 = Vec3(t * x * y - s * z, t * y * y + c, t * y * z + s * x);
    c2 = Vec3(t * x * z + s * y, t * y * z - s * x, t * z * z + c);
}

void RotateBasisPair(float degrees, const Vec3& axis, Vec3& first, Vec3& second) {
    Mat3 rotation;
    rotation.SetRotation(degrees * kDegreesToRadians, axis);
    rotation.MultiplyVector(first, first).Normalize();
    rotation.MultiplyVector(second, second).Normalize();
}
