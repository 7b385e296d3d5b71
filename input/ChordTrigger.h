// Fires in every frame in which all of its keys are down together, whatever
// order they went down in. With no keys it fires in every frame.
#pragma once

#include "input/Trigger.h"

class ChordTrigger : public Trigger {
public:
    // The array is not copied: its owner keeps it alive as long as the trigger.
    ChordTrigger(const int* keys, int count);

    int Check() override;
    ~ChordTrigger() override;
    // Keeps the pointer. Returns 1.
    virtual int SetKeys(const int* keys, int count);

    const int* keys;  // DIK codes, not owned
    int count;
};
