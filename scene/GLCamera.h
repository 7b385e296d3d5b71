// The camera the OpenGL renderer makes: it multiplies its view matrix into OpenGL's current
// matrix and keeps a GLFrustum that reads the planes back from OpenGL.
#pragma once

#include "math/Vec3.h"
#include "scene/Camera.h"

class GLCamera : public Camera {
public:
    // Same arguments as Camera; also makes the frustum (left null when that fails).
    GLCamera(const Vec3& eye, const Vec3& x, const Vec3& y, const Vec3& z);
    ~GLCamera() override;

    // A default camera at the origin with the unit axes, not a copy of this one; null when it
    // cannot be made.
    Object3D* Clone() override;
    // Needs the current GL context. The planes come out in world space when the model-view
    // matrix was the identity before the call, as it is right after the renderer's BeginFrame.
    void ApplyView() override;
    // Address of a static object of the OpenGL camera kind.
    virtual const void* GetGLTypeId() const;
};
