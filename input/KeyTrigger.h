// Fires in every frame in which one key is down.
#pragma once

#include "input/Trigger.h"

class KeyTrigger : public Trigger {
public:
    explicit KeyTrigger(int key);

    int Check() override;
    ~KeyTrigger() override;
    virtual int SetKey(int key);

    int key;  // DIK code
};
