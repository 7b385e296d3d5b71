// The camera's view volume as six planes, which the world culls its sphere tree against.
#pragma once

#include <type_traits>

#include "math/Vec3.h"

// A plane a*x + b*y + c*z + d = 0 with (a, b, c) of unit length pointing into the view volume.
struct Plane {
    float a;
    float b;
    float c;
    float d;

    // Signed distance of p from the plane; p is on the inner side when it is >= 0.
    float Distance(const Vec3& p) const { return a * p.x + b * p.y + c * p.z + d; }
};

static_assert(sizeof(Plane) == 4 * sizeof(float), "a plane is four floats");
static_assert(std::is_trivially_copyable<Plane>::value, "Plane is copied as plain data");

class Frustum {
public:
    // Planes are stored in this order; GetPlane takes these indices.
    enum PlaneIndex { kRight = 0, kLeft, kBottom, kTop, kFar, kNear, kPlaneCount };

    virtual ~Frustum() = default;

    // Recomputes the planes from the current view.
    virtual void Update() = 0;
    // The first of the six planes, in storage order right, left, bottom, top, far, near.
    virtual Plane* GetPlanes() = 0;
    virtual Plane* GetTopPlane() = 0;
    virtual Plane* GetBottomPlane() = 0;
    virtual Plane* GetLeftPlane() = 0;
    virtual Plane* GetRightPlane() = 0;
    virtual Plane* GetNearPlane() = 0;
    virtual Plane* GetFarPlane() = 0;
    // The plane at index 0..5 in storage order; null for any other index.
    virtual Plane* GetPlane(int index) = 0;
};
