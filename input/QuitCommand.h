// Sets the application's quit flag when fired; never clears it.
#pragma once

#include "input/Command.h"

class QuitCommand : public Command {
public:
    explicit QuitCommand(bool* quitFlag);

    int Execute(bool fired) override;

    bool* quitFlag;  // not owned
};
