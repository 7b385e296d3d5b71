// What a binding does with its trigger's answer, once per frame.
#pragma once

class FrameTimer;
class InputManager;

class Command {
public:
    Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // Keeps both (not owned). Returns 1.
    virtual int Attach(InputManager* manager, FrameTimer* timer);
    // Called every frame with whether the trigger fired; the answer is not used.
    virtual int Execute(bool fired) = 0;
    // Bindings destroy their command through this pointer type.
    virtual ~Command();

    InputManager* manager;  // not owned
    FrameTimer* timer;      // not owned
};
