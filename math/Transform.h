#pragma once

#include <cstddef>
#include <type_traits>

#include "math/Vec3.h"

// An object's placement: the three unit axes of its local frame in world coordinates, then its
// position (translation), twelve floats in that order. As an OpenGL matrix the axes are
// columns 0 to 2 with a 0 below, and the translation is column 3 with a 1 below.
// Default construction gives the identity placement; the constant kIdentityTransform lives in
// math/MathConstants.h.
struct Transform {
    Vec3 xAxis;
    Vec3 yAxis;
    Vec3 zAxis;
    Vec3 translation;

    constexpr Transform()
        : xAxis(1.0f, 0.0f, 0.0f),
          yAxis(0.0f, 1.0f, 0.0f),
          zAxis(0.0f, 0.0f, 1.0f),
          translation(0.0f, 0.0f, 0.0f) {}
    constexpr Transform(const Vec3& x, const Vec3& y, const Vec3& z, const Vec3& position)
        : xAxis(x), yAxis(y), zAxis(z), translation(position) {}
};

static_assert(sizeof(Transform) == 12 * sizeof(float), "Transform must be exactly twelve floats");
static_assert(offsetof(Transform, translation) == 9 * sizeof(float),
              "the translation follows the three axes");
static_assert(std::is_standard_layout<Transform>::value, "Transform is read as a float array");
static_assert(std::is_trivially_copyable<Transform>::value, "Transform is copied as plain data");
