#pragma once

#include <type_traits>

// A 2-component single-precision vector. Plain data: it is handed around as two floats.
// Default construction gives (0, 0). The named constants kZeroVec2, kUnitXVec2 and kUnitYVec2
// live in math/MathConstants.h.
struct Vec2 {
    float x;
    float y;

    constexpr Vec2() : x(0.0f), y(0.0f) {}
    constexpr Vec2(float x_, float y_) : x(x_), y(y_) {}
};

static_assert(sizeof(Vec2) == 2 * sizeof(float), "Vec2 must be exactly two floats");
static_assert(std::is_standard_layout<Vec2>::value, "Vec2 is read as a float array");
static_assert(std::is_trivially_copyable<Vec2>::value, "Vec2 is copied as plain data");
