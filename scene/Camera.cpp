#include "scene/Camera.h"

#include <algorithm>
#include <cmath>

#include "math/Mat3.h"
#include "math/MathConstants.h"

namespace {

// The camera kind's identity: only its address matters.
const char cameraTypeTag = 0;

// Rounding can carry a component or a dot product of unit vectors a hair past +-1, where asin
// and acos have no answer.
float ClampUnit(float value) {
    return std::min(1.0f, std::max(-1.0f, value));
}

// Scales v to unit length when it has a usable direction. A zero vector (or one so short that
// its length underflows) has none: v is left as it is and the answer is false.
bool NormalizeIfPossible(Vec3& v) {
    Vec3 unit = v;
    unit.Normalize();
    if (!std::isfinite(unit.x) || !std::isfinite(unit.y) || !std::isfinite(unit.z)) return false;
    v = unit;
    return true;
}

}  // namespace

Camera::Camera(const Vec3& eye, const Vec3& x, const Vec3& y, const Vec3& z) {
    position = eye;
    xAxis = x;
    yAxis = y;
    zAxis = z;
}

Camera::~Camera() = default;

void Camera::Draw(Object3D* /*camera*/) {}

const void* Camera::GetTypeId() const {
    return &cameraTypeTag;
}

Frustum* Camera::GetFrustum() {
    return frustum;
}

Vec3 Camera::GetViewVector() const {
    return target - position;
}

void Camera::MoveTo(Vec3 point, bool orbit) {
    changed = true;
    if (orbit) {
        position = point;
        Reaim();
    } else {
        target += point - position;
        position = point;
    }
}

void Camera::Move(Vec3 offset, bool orbit) {
    changed = true;
    position += offset;
    if (orbit) {
        Reaim();
    } else {
        target += offset;
    }
}

Vec3* Camera::GetTarget() {
    return &target;
}

void Camera::SetTarget(Vec3 point) {
    changed = true;
    target = point;
    Reaim();
}

void Camera::MoveTarget(Vec3 offset) {
    changed = true;
    target += offset;
    Reaim();
}

float Camera::GetHeading() const {
    return std::atan2(zAxis.x, zAxis.z) * kRadiansToDegrees;
}

float Camera::GetPitch() const {
    return std::asin(ClampUnit(-zAxis.y)) * kRadiansToDegrees;
}

float Camera::GetRoll() const {
    return std::asin(ClampUnit(xAxis.y)) * kRadiansToDegrees;
}

void Camera::Yaw(float degrees, bool orbit) {
    changed = true;
    Turn(degrees, yAxis, xAxis, zAxis, orbit);
}

void Camera::Pitch(float degrees, bool orbit) {
    changed = true;
    Turn(degrees, xAxis, yAxis, zAxis, orbit);
}

void Camera::Roll(float degrees) {
    changed = true;
    RotateBasisPair(degrees, zAxis, xAxis, yAxis);
}

void Camera::MoveAlongZ(float amount, bool orbit) {
    Move(zAxis * amount, orbit);
}

void Camera::MoveAlongY(float amount, bool orbit) {
    Move(yAxis * amount, orbit);
}

void Camera::MoveAlongX(float amount, bool orbit) {
    Move(xAxis * amount, orbit);
}

void Camera::MoveTargetAlongZ(float amount) {
    MoveTarget(zAxis * amount);
}

void Camera::MoveTargetAlongY(float amount) {
    MoveTarget(yAxis * amount);
}

void Camera::MoveTargetAlongX(float amount) {
    MoveTarget(xAxis * amount);
}

int64_t Camera::SetUserValue(int64_t value) {
    userValue = value;
    return value;
}

void Camera::Reaim() {
    // The new z axis points from the target to the eye. With the eye on the target there is
    // no direction to look in, so the camera keeps its axes until the two part again.
    Vec3 newZ = position - target;
    if (!NormalizeIfPossible(newZ)) return;

    // Axes that have gone bad give no angle; leave them rather than spread the damage.
    const float cosine = Dot(newZ, zAxis);
    if (std::isnan(cosine)) return;
    // Too small a turn to be worth it: keep the axes as they are.
    const float angle = std::acos(ClampUnit(cosine));
    if (angle < kEpsilon) return;

    // The smallest turn is about the axis normal to both z axes. When they point in opposite
    // directions (or all but) that normal vanishes and every axis perpendicular to z serves; the
    // camera's own y axis is one, so the camera turns round as a yaw would and keeps its roll.
    Vec3 axis = Cross(zAxis, newZ);
    if (axis.Length() < kSmallEpsilon || !NormalizeIfPossible(axis)) axis = yAxis;

    Mat3 rotation;
    rotation.SetRotation(angle, axis);
    zAxis = newZ;
    rotation.MultiplyVector(xAxis, xAxis).Normalize();
    rotation.MultiplyVector(yAxis, yAxis).Normalize();
}

void Camera::Turn(float degrees, const Vec3& axis, Vec3& first, Vec3& second, bool orbit) {
    Mat3 rotation;
    rotation.SetRotation(degrees * kDegreesToRadians, axis);
    Vec3 turned;
    if (orbit) {
        position = target + rotation.MultiplyVector(position - target, turned);
    } else {
        target = position + rotation.MultiplyVector(target - position, turned);
    }
    rotation.MultiplyVector(first, first).Normalize();
    rotation.MultiplyVector(second, second).Normalize();
}
