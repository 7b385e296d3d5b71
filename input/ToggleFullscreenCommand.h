// Switches between window and full screen. It acts when its trigger starts
// firing, not in every frame the trigger fires: a key chord stays down for
// many frames, and switching the display once per frame would flicker
// between the two modes until the keys were let go.
#pragma once

#include "input/Command.h"

class App;

class ToggleFullscreenCommand : public Command {
public:
    ToggleFullscreenCommand(bool* fullscreenFlag, App* app);

    // On the first frame of a firing: flips the flag and answers with the
    // App's ApplyDisplayMode. Otherwise 0.
    int Execute(bool fired) override;

    bool* fullscreenFlag;  // not owned
    App* app;              // not owned
    bool firedBefore;      // the trigger fired in the previous frame
};
