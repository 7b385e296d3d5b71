// Moves the camera by its amount along its axis in every frame it is fired.
#pragma once

#include "input/CameraAxisCommand.h"

class CameraMoveCommand : public CameraAxisCommand {
public:
    CameraMoveCommand(Camera* camera, int axis, float amount, bool orbit);

    int Execute(bool fired) override;
};
