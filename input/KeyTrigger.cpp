#include "input/KeyTrigger.h"

#include "input/InputManager.h"

KeyTrigger::KeyTrigger(int key) : key(key) {}

KeyTrigger::~KeyTrigger() = default;

int KeyTrigger::Check() {
    return manager->KeyDown(key);
}

int KeyTrigger::SetKey(int key) {
    this->key = key;
    return 1;
}
