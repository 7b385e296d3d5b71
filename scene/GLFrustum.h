// The view frustum as OpenGL sees it: the six planes are taken from the product of the current
// projection and model-view matrices, so they lie in whatever space the model-view maps from
// (world space when the view matrix alone is loaded).
#pragma once

#include "math/Mat4.h"
#include "scene/Frustum.h"

class GLFrustum : public Frustum {
public:
    ~GLFrustum() override = default;

    // Reads both matrices back from the current GL context and extracts the planes.
    void Update() override;
    Plane* GetPlanes() override;
    Plane* GetTopPlane() override;
    Plane* GetBottomPlane() override;
    Plane* GetLeftPlane() override;
    Plane* GetRightPlane() override;
    Plane* GetNearPlane() override;
    Plane* GetFarPlane() override;
    Plane* GetPlane(int index) override;

    Mat4 projection;
    Mat4 modelview;
    Mat4 clip;                       // projection * modelview
    Plane planes[kPlaneCount] = {};  // right, left, bottom, top, far, near
};
