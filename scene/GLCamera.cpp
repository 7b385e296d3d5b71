#include "scene/GLCamera.h"

#include <new>

#include "math/Mat4.h"
#include "math/MathConstants.h"
#include "platform/OpenGL.h"
#include "scene/GLFrustum.h"

namespace {

// The OpenGL camera kind's identity: only its address matters.
const char glCameraTypeTag = 0;

}  // namespace

GLCamera::GLCamera(const Vec3& eye, const Vec3& x, const Vec3& y, const Vec3& z)
    : Camera(eye, x, y, z) {
    frustum = new (std::nothrow) GLFrustum();
}

GLCamera::~GLCamera() {
    delete frustum;
    frustum = nullptr;
}

Object3D* GLCamera::Clone() {
    return new (std::nothrow) GLCamera(kZeroVec3, kUnitXVec3, kUnitYVec3, kUnitZVec3);
}

void GLCamera::ApplyView() {
    // The axes are the rows of the rotation (the inverse of the camera's own orientation), and
    // the translation brings the eye to the origin.
    Mat4 view;
    view.At(0, 0) = xAxis.x;
    view.At(1, 0) = yAxis.x;
    view.At(2, 0) = zAxis.x;
    view.At(0, 1) = xAxis.y;
    view.At(1, 1) = yAxis.y;
    view.At(2, 1) = zAxis.y;
    view.At(0, 2) = xAxis.z;
    view.At(1, 2) = yAxis.z;
    view.At(2, 2) = zAxis.z;
    view.At(0, 3) = -Dot(xAxis, position);
    view.At(1, 3) = -Dot(yAxis, position);
    view.At(2, 3) = -Dot(zAxis, position);
    view.At(3, 3) = 1.0f;
    glMultMatrixf(view.m);

    if (changed) {
        changed = false;
        if (frustum != nullptr) frustum->Update();
    }
}

const void* GLCamera::GetGLTypeId() const {
    return &glCameraTypeTag;
}
