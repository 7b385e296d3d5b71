#include "input/Trigger.h"

Trigger::Trigger() : manager(nullptr), timer(nullptr) {}

Trigger::~Trigger() = default;

int Trigger::Attach(InputManager* manager, FrameTimer* timer) {
    this->manager = manager;
    this->timer = timer;
    return 1;
}
