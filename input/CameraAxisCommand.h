// A command that works along one of the camera's own axes: 0 is x, 1 is y,
// any other value z. The amount is per frame, not scaled by the frame time.
#pragma once

#include "input/Command.h"

class Camera;

class CameraAxisCommand : public Command {
public:
    CameraAxisCommand(Camera* camera, int axis, float amount, bool orbit);

    ~CameraAxisCommand() override;
    virtual void SetCamera(Camera* camera);
    virtual void SetAxis(int axis);
    virtual void SetAmount(float amount);
    virtual void SetOrbit(bool orbit);

    float amount;  // world units per frame
    int axis;
    Camera* camera;  // not owned
    bool orbit;      // only the eye moves and the camera keeps looking at its target
};
