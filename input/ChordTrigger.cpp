#include "input/ChordTrigger.h"

#include "input/InputManager.h"

ChordTrigger::ChordTrigger(const int* keys, int count) : keys(keys), count(count) {}

ChordTrigger::~ChordTrigger() = default;

int ChordTrigger::Check() {
    for (int i = 0; i < count; ++i) {
        if (!manager->KeyDown(keys[i])) return 0;
    }
    return 1;
}

int ChordTrigger::SetKeys(const int* keys, int count) {
    this->keys = keys;
    this->count = count;
    return 1;
}
