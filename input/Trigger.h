// A condition on the keyboard state that a binding evaluates once per frame.
// Triggers read the keys only through the input manager and time only through
// the frame timer; both are lent to them when their binding is registered.
#pragma once

class FrameTimer;
class InputManager;

class Trigger {
public:
    Trigger();
    Trigger(const Trigger&) = delete;
    Trigger& operator=(const Trigger&) = delete;

    // Keeps both (not owned). Returns 1.
    virtual int Attach(InputManager* manager, FrameTimer* timer);
    // 1 when the trigger fires in this frame. Only called after Attach.
    virtual int Check() = 0;
    // Bindings destroy their trigger through this pointer type.
    virtual ~Trigger();

    InputManager* manager;  // not owned
    FrameTimer* timer;      // not owned
};
