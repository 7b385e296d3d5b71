#pragma once

#include <type_traits>

// A 4-component single-precision vector. Plain data: it is handed around as four floats.
// Default construction gives (0, 0, 0, 0). The named constants kUnitXVec4, kUnitYVec4,
// kUnitZVec4 and kUnitWVec4 live in math/MathConstants.h.
struct Vec4 {
    float x;
    float y;
    float z;
    float w;

    constexpr Vec4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    constexpr Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

static_assert(sizeof(Vec4) == 4 * sizeof(float), "Vec4 must be exactly four floats");
static_assert(std::is_standard_layout<Vec4>::value, "Vec4 is read as a float array");
static_assert(std::is_trivially_copyable<Vec4>::value, "Vec4 is copied as plain data");
