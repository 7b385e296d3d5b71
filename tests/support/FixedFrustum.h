// Test support: a frustum whose six planes are given once and kept as they are (Update changes
// nothing), for tests and benchmarks that cull against a view of their own making.
#pragma once

#include "scene/Frustum.h"

class FixedFrustum : public Frustum {
public:
    void Update() override {}
    Plane* GetPlanes() override { return planes; }
    Plane* GetTopPlane() override { return &planes[kTop]; }
    Plane* GetBottomPlane() override { return &planes[kBottom]; }
    Plane* GetLeftPlane() override { return &planes[kLeft]; }
    Plane* GetRightPlane() override { return &planes[kRight]; }
    Plane* GetNearPlane() override { return &planes[kNear]; }
    Plane* GetFarPlane() override { return &planes[kFar]; }
    Plane* GetPlane(int index) override {
        return index >= 0 && index < kPlaneCount ? &planes[index] : nullptr;
    }

    Plane planes[kPlaneCount] = {};  // in storage order
};
