// What the world's sphere tree needs of an object: its bounding sphere now, and the sphere that
// encloses its motion over the last step.
#pragma once

#include "math/Vec3.h"

class SpatialObject {
public:
    // Bounding-sphere radius.
    virtual float GetRadius() const = 0;
    // The stored position; the caller may read or write through it.
    virtual Vec3* GetPosition() = 0;
    // Radius of the sphere around the last step: distance moved + radius + a small margin.
    virtual float GetSweptRadius() const = 0;
    // Centre of that sphere: halfway between the previous and the current position.
    virtual Vec3 GetSweptCenter() const = 0;

protected:
    // Objects are destroyed through Object3D, never through this interface.
    ~SpatialObject() = default;
};
