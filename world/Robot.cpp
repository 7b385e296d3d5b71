#include "world/Robot.h"

#include <new>

char const Robot::typeTag = 0;
char const Robot::classTag = 0;

Robot::~Robot() = default;

Object3D* Robot::Clone() {
    return new (std::nothrow) Robot(*this);
}

void const* Robot::GetTypeId() const {
    return &typeTag;
}

void const* Robot::GetClassTag() const {
    return &classTag;
}
