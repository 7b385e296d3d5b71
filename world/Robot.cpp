#include "world/Robot.h"

#include <new>

const char Robot::typeTag = 0;
const char Robot::classTag = 0;

Robot::~Robot() = default;

Object3D* Robot::Clone() {
    return new (std::nothrow) Robot(*this);
}

const void* Robot::GetTypeId() const {
    return &typeTag;
}

const void* Robot::GetClassTag() const {
    return &classTag;
}
