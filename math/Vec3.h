#pragma once

#include <cmath>
#include <type_traits>

// The program's shared 3-component vector: three 32-bit floats, copied by value.
//
// Arithmetic is component-wise and returns new vectors: a + b, a - b, v * s and s * v, plus
// the in-place forms += and -=. Dot(a, b) and Cross(a, b) are free functions; Length(),
// Normalize() and SetZero() are members. Default construction gives (0, 0, 0).
// The named constants kZeroVec3, kUnitXVec3, kUnitYVec3 and kUnitZVec3 stand at the end of
// this file, so that a file that needs them needs nothing else of the math module;
// math/MathConstants.h lists every named constant.
struct Vec3 {
    float x;
    float y;
    float z;

    constexpr Vec3() : x(0.0f), y(0.0f), z(0.0f) {}
    constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    void SetZero() {
        x = 0.0f;
        y = 0.0f;
        z = 0.0f;
    }

    // Square root of the vector's dot product with itself.
    float Length() const { return std::sqrt(x * x + y * y + z * z); }

    // Scales the vector to unit length by multiplying with 1 / Length(). There is deliberately
    // no guard: a zero vector divides by zero and comes out with non-finite (NaN) components.
    // Callers that can meet a zero vector (an eye on its target, parallel axes) check for it
    // themselves. Returns the vector for chaining.
    Vec3& Normalize() {
        const float scale = 1.0f / Length();
        x *= scale;
        y *= scale;
        z *= scale;
        return *this;
    }

    Vec3& operator+=(const Vec3& other) {
        x += other.x;
        y += other.y;
        z += other.z;
        return *this;
    }

    Vec3& operator-=(const Vec3& other) {
        x -= other.x;
        y -= other.y;
        z -= other.z;
        return *this;
    }
};

static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 must be exactly three floats");
static_assert(std::is_standard_layout<Vec3>::value, "Vec3 is read as a float array");
static_assert(std::is_trivially_copyable<Vec3>::value, "Vec3 is copied as plain data");

constexpr Vec3 operator+(const Vec3& a, const Vec3& b) {
    return Vec3(a.x + b.x, a.y + b.y, a.z + b.z);
}

constexpr Vec3 operator-(const Vec3& a, const Vec3& b) {
    return Vec3(a.x - b.x, a.y - b.y, a.z - b.z);
}

constexpr Vec3 operator*(const Vec3& v, float scale) {
    return Vec3(v.x * scale, v.y * scale, v.z * scale);
}

constexpr Vec3 operator*(float scale, const Vec3& v) {
    return v * scale;
}

constexpr float Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Right-handed cross product: Cross(unit x, unit y) is unit z.
constexpr Vec3 Cross(const Vec3& a, const Vec3& b) {
    return Vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

inline constexpr Vec3 kZeroVec3(0.0f, 0.0f, 0.0f);
inline constexpr Vec3 kUnitXVec3(1.0f, 0.0f, 0.0f);
inline constexpr Vec3 kUnitYVec3(0.0f, 1.0f, 0.0f);
inline constexpr Vec3 kUnitZVec3(0.0f, 0.0f, 1.0f);
