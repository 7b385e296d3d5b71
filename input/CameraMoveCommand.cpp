#include "input/CameraMoveCommand.h"

#include "scene/Camera.h"

CameraMoveCommand::CameraMoveCommand(Camera* camera, int axis, float amount, bool orbit)
    : CameraAxisCommand(camera, axis, amount, orbit) {}

int CameraMoveCommand::Execute(bool fired) {
    if (!fired) return 0;
    switch (axis) {
        case 0:
            camera->MoveAlongX(amount, orbit);
            break;
        case 1:
            camera->MoveAlongY(amount, orbit);
            break;
        default:
            camera->MoveAlongZ(amount, orbit);
            break;
    }
    return 1;
}
