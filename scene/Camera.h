// A placed object that looks at a target point. xAxis points to the right of the view, yAxis up
// and zAxis from the target towards the eye, so the camera looks along -zAxis; position is the
// eye. When the view direction changes the axes are turned by the smallest rotation that carries
// the old z axis onto the new one, so the camera keeps whatever roll it had: there is no fixed
// world up vector.
#pragma once

#include <cstdint>

#include "math/Vec3.h"
#include "scene/Object3D.h"

class Frustum;

class Camera : public Object3D {
public:
    // The axes are stored as given; the caller supplies an orthonormal set that agrees with
    // where the camera looks. The target starts at the origin.
    Camera(const Vec3& eye, const Vec3& x, const Vec3& y, const Vec3& z);
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;
    ~Camera() override;

    // The camera shows no model.
    void Draw(Object3D* camera) override;
    const void* GetTypeId() const override;

    // Multiplies the view matrix into the current matrix and refreshes the frustum when the
    // camera was marked changed since the last refresh.
    virtual void ApplyView() = 0;
    virtual Frustum* GetFrustum();
    // target - position, not normalised.
    virtual Vec3 GetViewVector() const;
    // Without orbit the eye and the target move together and the view direction stays; with
    // orbit only the eye moves and the camera turns to keep looking at the target.
    virtual void MoveTo(Vec3 point, bool orbit);
    virtual void Move(Vec3 offset, bool orbit);
    virtual Vec3* GetTarget();
    // Moves the target; the eye stays and turns towards it.
    virtual void SetTarget(Vec3 point);
    virtual void MoveTarget(Vec3 offset);
    // Heading, pitch and roll of the axes, in degrees.
    virtual float GetHeading() const;
    virtual float GetPitch() const;
    virtual float GetRoll() const;
    // Turns about the camera's own y axis. Without orbit the camera turns in place and the
    // target swings round the eye; with orbit the eye circles the target.
    virtual void Yaw(float degrees, bool orbit);
    // The same about the camera's own x axis.
    virtual void Pitch(float degrees, bool orbit);
    // Turns about the view axis; neither the eye nor the target moves.
    virtual void Roll(float degrees);
    // Move along the camera's own axes.
    virtual void MoveAlongZ(float amount, bool orbit);
    virtual void MoveAlongY(float amount, bool orbit);
    virtual void MoveAlongX(float amount, bool orbit);
    // Move the target along the camera's own axes; the camera turns towards it.
    virtual void MoveTargetAlongZ(float amount);
    virtual void MoveTargetAlongY(float amount);
    virtual void MoveTargetAlongX(float amount);
    virtual int64_t SetUserValue(int64_t value);

    Vec3 target;
    // Set by every movement or turn of the camera; cleared when the frustum is refreshed. The
    // inherited setters and velocity integration leave it alone.
    bool changed = true;
    Frustum* frustum = nullptr;  // owned; made by the concrete camera, null if that failed
    int64_t userValue = 0;       // stored for the owner; nothing reads it

private:
    // Turns the axes so that -zAxis points from the eye at the target again.
    void Reaim();
    // Turns first and second by degrees about axis and, with orbit, the eye round the target,
    // or without orbit the target round the eye.
    void Turn(float degrees, const Vec3& axis, Vec3& first, Vec3& second, bool orbit);
};
