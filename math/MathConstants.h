#pragma once

#include "math/Mat3.h"
#include "math/Transform.h"
#include "math/Vec2.h"
#include "math/Vec3.h"
#include "math/Vec4.h"

// Named constants shared by the whole program. They are constexpr, so they are fixed at compile
// time and already hold their values when any other file's static initialisers run.
//
//   Vectors:  kZeroVec2, kUnitXVec2, kUnitYVec2
//             kZeroVec3, kUnitXVec3, kUnitYVec3, kUnitZVec3 (in math/Vec3.h, beside their type)
//             kUnitXVec4, kUnitYVec4, kUnitZVec4, kUnitWVec4
//   Matrices: kIdentityMat3, kIdentityTransform
//   Scalars:  kDegreesToRadians, kRadiansToDegrees, kEpsilon, kSmallEpsilon

inline constexpr Vec2 kZeroVec2(0.0f, 0.0f);
inline constexpr Vec2 kUnitXVec2(1.0f, 0.0f);
inline constexpr Vec2 kUnitYVec2(0.0f, 1.0f);

inline constexpr Vec4 kUnitXVec4(1.0f, 0.0f, 0.0f, 0.0f);
inline constexpr Vec4 kUnitYVec4(0.0f, 1.0f, 0.0f, 0.0f);
inline constexpr Vec4 kUnitZVec4(0.0f, 0.0f, 1.0f, 0.0f);
inline constexpr Vec4 kUnitWVec4(0.0f, 0.0f, 0.0f, 1.0f);

inline constexpr Mat3 kIdentityMat3(kUnitXVec3, kUnitYVec3, kUnitZVec3);
inline constexpr Transform kIdentityTransform(kUnitXVec3, kUnitYVec3, kUnitZVec3, kZeroVec3);

// Every rotation given in degrees is converted with this factor. It is a rounded value, not
// pi / 180, so 90 degrees becomes 1.5707970 radians; angles carry that small error on purpose.
inline constexpr float kDegreesToRadians = 0.0174533f;
// Converts angles reported back in degrees (camera heading, pitch and roll).
inline constexpr float kRadiansToDegrees = 57.2958f;
// Smallest camera re-aiming angle in radians, and the margin added to swept radii.
inline constexpr float kEpsilon = 0.001f;
// The first time step the world is advanced by, before the frame clock has measured a frame.
inline constexpr float kSmallEpsilon = 0.000001f;

// The decimal literals above must round to these exact float values; the hexadecimal forms
// spell out the stored bit patterns 0x3C8EFA39, 0x42652EE6, 0x3A83126F and 0x358637BD.
static_assert(kDegreesToRadians == 0x1.1DF472p-6f, "degrees-to-radians factor changed");
static_assert(kRadiansToDegrees == 0x1.CA5DCCp+5f, "radians-to-degrees factor changed");
static_assert(kEpsilon == 0x1.0624DEp-10f, "epsilon changed");
static_assert(kSmallEpsilon == 0x1.0C6F7Ap-20f, "small epsilon changed");
