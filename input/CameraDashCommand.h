// Throws the camera's eye towards its target: in the frame it is fired the
// camera's velocity becomes ten times the view vector, and in the next frame
// that is not fired the velocity is zero again, so the eye makes one jump.
#pragma once

#include "input/Command.h"

class Camera;

class CameraDashCommand : public Command {
public:
    explicit CameraDashCommand(Camera* camera);

    int Execute(bool fired) override;

    Camera* camera;  // not owned
    int active;      // the camera carries the dash velocity
};
