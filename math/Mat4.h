#pragma once

#include <type_traits>

// Plain storage for a 4x4 single-precision matrix in OpenGL's column-major order: the element
// in row r, column c sits at m[4 * c + r]. It is what glMultMatrixf takes and glGetFloatv
// fills, so it has no operations beyond element access. Default construction zero-fills it.
struct Mat4 {
    float m[16] = {};

    float& At(int row, int column) { return m[4 * column + row]; }
    float At(int row, int column) const { return m[4 * column + row]; }
};

static_assert(sizeof(Mat4) == 16 * sizeof(float), "Mat4 must be exactly sixteen floats");
static_assert(std::is_standard_layout<Mat4>::value, "Mat4 is handed to OpenGL as a float array");
static_assert(std::is_trivially_copyable<Mat4>::value, "Mat4 is copied as plain data");
