#include "input/QuitCommand.h"

QuitCommand::QuitCommand(bool* quitFlag) : quitFlag(quitFlag) {}

int QuitCommand::Execute(bool fired) {
    if (!fired) return 0;
    *quitFlag = true;
    return 1;
}
