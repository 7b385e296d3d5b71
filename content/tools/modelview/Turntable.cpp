#include "content/tools/modelview/Turntable.h"

#include <algorithm>
#include <cmath>

#include "math/Mat3.h"
#include "math/MathConstants.h"
#include "render/Model.h"

namespace {

// How close and how far the zoom may take the camera, in fitted distances.
constexpr float kClosestZoom = 0.1f;
constexpr float kFarthestZoom = 20.0f;
// The clipping planes leave this much room around the model's sphere.
constexpr float kDepthMargin = 1.05f;
constexpr double kLargestRadius = 1e36;

bool IsFinite(const Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Turns v by degrees about the unit axis.
Vec3 Turned(const Vec3& v, float degrees, const Vec3& axis) {
    Mat3 rotation;
    rotation.SetRotation(degrees * kDegreesToRadians, axis);
    Vec3 out;
    return rotation.MultiplyVector(v, out);
}

}  // namespace

void Turntable::Fit(const Model& model) {
    const Vec3* vertices = model.GetVertices();
    bool found = false;
    Vec3 low, high;
    for (int i = 0; i < model.GetVertexCount(); ++i) {
        const Vec3& v = vertices[i];
        if (!IsFinite(v)) continue;
        if (!found) {
            low = high = v;
            found = true;
        }
        low = Vec3(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z));
        high = Vec3(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z));
    }
    centre = found ? (low + high) * 0.5f : Vec3();
    // In double: the squares of float coordinates near their limit do not fit a float. A
    // radius past kLargestRadius would put the camera beyond what a float holds.
    double farthest = 0.0;
    for (int i = 0; found && i < model.GetVertexCount(); ++i) {
        if (!IsFinite(vertices[i])) continue;
        const Vec3 d = vertices[i] - centre;
        const double x = d.x, y = d.y, z = d.z;
        farthest = std::max(farthest, std::sqrt(x * x + y * y + z * z));
    }
    radius = farthest > 0.0 ? static_cast<float>(std::min(farthest, kLargestRadius)) : 1.0f;
}

void Turntable::SetWindowSize(int width, int height) {
    if (width > 0 && height > 0) aspect = static_cast<float>(width) / static_cast<float>(height);
}

void Turntable::Turn(float rightDegrees, float downDegrees) {
    // About the screen's axes, which are the world's: the camera looks down -z with y up.
    const Vec3 up(0.0f, 1.0f, 0.0f);
    const Vec3 right(1.0f, 0.0f, 0.0f);
    if (rightDegrees != 0.0f) {
        xAxis = Turned(xAxis, rightDegrees, up);
        yAxis = Turned(yAxis, rightDegrees, up);
        zAxis = Turned(zAxis, rightDegrees, up);
    }
    if (downDegrees != 0.0f) {
        xAxis = Turned(xAxis, downDegrees, right);
        yAxis = Turned(yAxis, downDegrees, right);
        zAxis = Turned(zAxis, downDegrees, right);
    }
    Straighten();
}

void Turntable::Straighten() {
    xAxis.Normalize();
    yAxis = Cross(zAxis, xAxis).Normalize();
    zAxis = Cross(xAxis, yAxis);
}

void Turntable::Zoom(float factor) {
    if (!(factor > 0.0f) || !std::isfinite(factor)) return;
    zoom = std::min(std::max(zoom * factor, kClosestZoom), kFarthestZoom);
}

Transform Turntable::Placement() const {
    // The centre, turned with the model, must land on the origin.
    const Vec3 turnedCentre = xAxis * centre.x + yAxis * centre.y + zAxis * centre.z;
    return Transform(xAxis, yAxis, zAxis, Vec3() - turnedCentre);
}

float Turntable::Distance() const {
    // The sphere fits where its tangents from the eye lie within the narrower half-angle of
    // the view: 45 degrees up and down, and across as wide as the window makes it.
    const double halfHeight = std::tan(kFieldOfView * 0.5 * kDegreesToRadians);
    const double halfAngle = std::min(std::atan(halfHeight), std::atan(halfHeight * aspect));
    return static_cast<float>(radius / std::sin(halfAngle)) * zoom;
}

float Turntable::NearPlane() const {
    const float distance = Distance();
    return std::max(distance - kDepthMargin * radius, 0.01f * distance);
}

float Turntable::FarPlane() const {
    return Distance() + kDepthMargin * radius;
}
