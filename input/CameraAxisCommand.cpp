#include "input/CameraAxisCommand.h"

CameraAxisCommand::CameraAxisCommand(Camera* camera, int axis, float amount, bool orbit)
    : amount(amount), axis(axis), camera(camera), orbit(orbit) {}

CameraAxisCommand::~CameraAxisCommand() = default;

void CameraAxisCommand::SetCamera(Camera* camera) {
    this->camera = camera;
}

void CameraAxisCommand::SetAxis(int axis) {
    this->axis = axis;
}

void CameraAxisCommand::SetAmount(float amount) {
    this->amount = amount;
}

void CameraAxisCommand::SetOrbit(bool orbit) {
    this->orbit = orbit;
}
