#include "input/CameraDashCommand.h"

#include "scene/Camera.h"

namespace {

constexpr float kDashFactor = 10.0f;

}  // namespace

CameraDashCommand::CameraDashCommand(Camera* camera) : camera(camera), active(0) {}

int CameraDashCommand::Execute(bool fired) {
    if (fired) {
        Vec3 view = camera->GetViewVector();
        camera->SetVelocity(Vec3(view.x * kDashFactor, view.y * kDashFactor, view.z * kDashFactor));
        active = 1;
        return 1;
    }
    if (active) {
        camera->SetVelocity(Vec3());
        active = 0;
    }
    return 0;
}
