#include "input/ToggleFullscreenCommand.h"

#include "app/App.h"

ToggleFullscreenCommand::ToggleFullscreenCommand(bool* fullscreenFlag, App* app)
    : fullscreenFlag(fullscreenFlag), app(app), firedBefore(false) {}

int ToggleFullscreenCommand::Execute(bool fired) {
    bool starts = fired && !firedBefore;
    firedBefore = fired;
    if (!starts) return 0;
    *fullscreenFlag = !*fullscreenFlag;
    return app->ApplyDisplayMode() ? 1 : 0;
}
