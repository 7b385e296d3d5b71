// The one kind of entity. Everything a robot does (model, placement, motion, bounding spheres,
// drawing) comes from Object3D; the robot adds how to copy itself and which kind it is.
#pragma once

#include "scene/Object3D.h"

class Robot : public Object3D {
public:
    Robot() = default;
    ~Robot() override;

    // A new robot with every field of this one; it shares the model and the render instance.
    // Null when it cannot be allocated.
    Object3D* Clone() override;
    // Address of the robot kind's tag.
    const void* GetTypeId() const override;
    // Address of a second tag that only robots have; kept for code that wants to tell the
    // robot family apart from its exact kind. Nothing calls it yet.
    virtual const void* GetClassTag() const;

    // Class-wide tags; only their addresses matter.
    static const char typeTag;
    static const char classTag;

protected:
    Robot(const Robot&) = default;
    Robot& operator=(const Robot&) = default;
};
