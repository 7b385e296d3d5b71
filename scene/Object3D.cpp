#include "scene/Object3D.h"

#include "math/Mat3.h"
#include "math/MathConstants.h"
#include "math/Transform.h"
#include "render/Drawable.h"
#include "render/Model.h"

float Object3D::GetRadius() const {
    return radius;
}

Vec3* Object3D::GetPosition() {
    return &position;
}

float Object3D::GetSweptRadius() const {
    // From the midpoint, the full step plus the radius covers both end spheres with room to
    // spare; the margin keeps a resting object's sphere from touching its neighbours exactly.
    return (position - previousPosition).Length() + radius + kEpsilon;
}

Vec3 Object3D::GetSweptCenter() const {
    return (previousPosition + position) * 0.5f;
}

Object3D::~Object3D() = default;

void Object3D::Update(float dt) {
    Integrate(dt);
}

void Object3D::Integrate(float dt) {
    previousAcceleration = acceleration;
    previousVelocity = velocity;
    previousPosition = position;
    velocity = previousVelocity + acceleration * dt;
    position = previousPosition + (previousVelocity + velocity) * dt * 0.5f;
}

float Object3D::GetFactor() const {
    return factor;
}

Vec3* Object3D::GetXAxis() {
    return &xAxis;
}

Vec3* Object3D::GetYAxis() {
    return &yAxis;
}

Vec3* Object3D::GetZAxis() {
    return &zAxis;
}

void Object3D::SetAxes(Vec3 const (&axes)[3]) {
    xAxis = axes[0];
    yAxis = axes[1];
    zAxis = axes[2];
}

void Object3D::SetAxes(Vec3 x, Vec3 y, Vec3 z) {
    xAxis = x;
    yAxis = y;
    zAxis = z;
}

Vec3* Object3D::GetAcceleration() {
    return &acceleration;
}

Vec3* Object3D::GetVelocity() {
    return &velocity;
}

Vec3* Object3D::GetPreviousAcceleration() {
    return &previousAcceleration;
}

Vec3* Object3D::GetPreviousVelocity() {
    return &previousVelocity;
}

Vec3* Object3D::GetPreviousPosition() {
    return &previousPosition;
}

void Object3D::AddAcceleration(Vec3 amount) {
    acceleration += amount;
}

void Object3D::AddVelocity(Vec3 amount) {
    velocity += amount;
}

void Object3D::AddPosition(Vec3 amount) {
    position += amount;
}

void Object3D::SetFactor(float value) {
    factor = value;
}

void Object3D::SetRadius(float value) {
    radius = value;
}

void Object3D::SetAcceleration(Vec3 value) {
    acceleration = value;
}

void Object3D::SetVelocity(Vec3 value) {
    velocity = value;
}

void Object3D::SetPosition(Vec3 value) {
    // previousPosition stays: after a jump the swept sphere spans the jump until the next step.
    position = value;
}

void Object3D::RotateX(float degrees) {
    RotateBasisPair(degrees, xAxis, yAxis, zAxis);
}

void Object3D::RotateY(float degrees) {
    RotateBasisPair(degrees, yAxis, zAxis, xAxis);
}

void Object3D::RotateZ(float degrees) {
    RotateBasisPair(degrees, zAxis, xAxis, yAxis);
}

void Object3D::SetModel(Model* newModel) {
    model = newModel;
    if (newModel != nullptr) radius = newModel->GetRadius();
}

Model* Object3D::GetModel() const {
    return model;
}

void Object3D::SetRenderInstance(Drawable* instance) {
    renderInstance = instance;
}

void Object3D::Draw(Object3D* camera) {
    if (renderInstance == nullptr) return;
    const Transform placement(xAxis, yAxis, zAxis, position);
    renderInstance->Draw(model, camera, placement);
}
