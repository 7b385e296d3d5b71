// The base of everything placed in the scene (the camera, the robot): a position with an
// orthonormal set of local axes, a velocity and an acceleration integrated once per frame, the
// values before the last step (for the world's swept spheres), a bounding radius, and the model
// with the instance that draws it.
#pragma once

#include <cstdint>

#include "math/Vec3.h"
#include "scene/SpatialObject.h"

class Drawable;
class Model;

class Object3D : public SpatialObject {
public:
    float GetRadius() const override;
    Vec3* GetPosition() override;
    float GetSweptRadius() const override;
    Vec3 GetSweptCenter() const override;

    virtual ~Object3D();

    // Advances the object by one frame of dt seconds.
    virtual void Update(float dt);
    // Trapezoidal step: the position moves by the mean of the old and the new velocity.
    virtual void Integrate(float dt);

    virtual float GetFactor() const;
    virtual Vec3* GetXAxis();
    virtual Vec3* GetYAxis();
    virtual Vec3* GetZAxis();
    // Copies x, y and z axes; the caller supplies an orthonormal set.
    virtual void SetAxes(Vec3 const (&axes)[3]);
    virtual void SetAxes(Vec3 x, Vec3 y, Vec3 z);
    virtual Vec3* GetAcceleration();
    virtual Vec3* GetVelocity();
    virtual Vec3* GetPreviousAcceleration();
    virtual Vec3* GetPreviousVelocity();
    virtual Vec3* GetPreviousPosition();
    virtual void AddAcceleration(Vec3 amount);
    virtual void AddVelocity(Vec3 amount);
    virtual void AddPosition(Vec3 amount);
    virtual void SetFactor(float value);
    virtual void SetRadius(float value);
    virtual void SetAcceleration(Vec3 value);
    virtual void SetVelocity(Vec3 value);
    virtual void SetPosition(Vec3 value);
    // Turn the object about one of its own axes; the other two axes turn and are renormalised.
    virtual void RotateX(float degrees);
    virtual void RotateY(float degrees);
    virtual void RotateZ(float degrees);
    // Shows newModel and takes over its bounding radius. A null model shows nothing and keeps
    // the radius the object had.
    virtual void SetModel(Model* newModel);
    virtual Model* GetModel() const;
    virtual void SetRenderInstance(Drawable* instance);
    // Has the render instance draw the model at the object's placement, seen by camera. An
    // object without a render instance draws nothing.
    virtual void Draw(Object3D* camera);
    // A new object of the same concrete kind.
    virtual Object3D* Clone() = 0;
    // Address of a static object of the concrete kind: equal exactly for objects of one kind.
    virtual const void* GetTypeId() const = 0;

    Model* model = nullptr;              // not owned
    Drawable* renderInstance = nullptr;  // not owned
    int32_t active = 1;                  // 0 tells the world to drop the object
    float factor = 1.0f;                 // stored for the owner; nothing here uses it
    float radius = 1.0f;
    Vec3 xAxis = kUnitXVec3;
    Vec3 yAxis = kUnitYVec3;
    Vec3 zAxis = kUnitZVec3;
    Vec3 previousPosition;
    Vec3 previousVelocity;
    Vec3 previousAcceleration;
    Vec3 position;
    Vec3 velocity;      // world units per second
    Vec3 acceleration;  // world units per second squared

protected:
    Object3D() = default;
    Object3D(const Object3D&) = default;
    Object3D& operator=(const Object3D&) = default;
};
