#include "scene/GLFrustum.h"

#include <cmath>

#include "platform/OpenGL.h"

namespace {

// Row i of a column-major matrix, combined with row 3 as sign * row i + row 3.
Plane PlaneFromRows(const Mat4& matrix, int row, float sign) {
    return Plane{
        matrix.At(3, 0) + sign * matrix.At(row, 0), matrix.At(3, 1) + sign * matrix.At(row, 1),
        matrix.At(3, 2) + sign * matrix.At(row, 2), matrix.At(3, 3) + sign * matrix.At(row, 3)};
}

// Scales the plane so that its normal is of unit length and d is a true distance. A plane
// without a normal (a degenerate matrix) is left as it is rather than turned into NaNs.
void NormalizePlane(Plane& plane) {
    const float length = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
    if (!(length > 0.0f)) return;
    plane.a /= length;
    plane.b /= length;
    plane.c /= length;
    plane.d /= length;
}

}  // namespace

void GLFrustum::Update() {
    glGetFloatv(GL_PROJECTION_MATRIX, projection.m);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.m);

    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += projection.At(row, k) * modelview.At(k, column);
            clip.At(row, column) = sum;
        }
    }

    // Each clip-space bound -w <= x, y, z <= w, pulled back through the matrices.
    planes[kRight] = PlaneFromRows(clip, 0, -1.0f);
    planes[kLeft] = PlaneFromRows(clip, 0, 1.0f);
    planes[kBottom] = PlaneFromRows(clip, 1, 1.0f);
    planes[kTop] = PlaneFromRows(clip, 1, -1.0f);
    planes[kFar] = PlaneFromRows(clip, 2, -1.0f);
    planes[kNear] = PlaneFromRows(clip, 2, 1.0f);
    for (Plane& plane : planes) NormalizePlane(plane);
}

Plane* GLFrustum::GetPlanes() {
    return planes;
}

Plane* GLFrustum::GetTopPlane() {
    return &planes[kTop];
}

Plane* GLFrustum::GetBottomPlane() {
    return &planes[kBottom];
}

Plane* GLFrustum::GetLeftPlane() {
    return &planes[kLeft];
}

Plane* GLFrustum::GetRightPlane() {
    return &planes[kRight];
}

Plane* GLFrustum::GetNearPlane() {
    return &planes[kNear];
}

Plane* GLFrustum::GetFarPlane() {
    return &planes[kFar];
}

Plane* GLFrustum::GetPlane(int index) {
    if (index < 0 || index >= kPlaneCount) return nullptr;
    return &planes[index];
}
