#include "input/Command.h"

Command::Command() : manager(nullptr), timer(nullptr) {}

Command::~Command() = default;

int Command::Attach(InputManager* manager, FrameTimer* timer) {
    this->manager = manager;
    this->timer = timer;
    return 1;
}
