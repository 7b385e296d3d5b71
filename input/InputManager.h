// The input devices plus the bindings that turn their state into commands:
// every Update reads the devices and then lets each binding, in the order of
// registration, evaluate its trigger and run its command.
#pragma once

#include "input/InputDevice.h"

class Binding;
class BindingList;
class FrameTimer;

class InputManager : public InputDevice {
public:
    InputManager();
    ~InputManager() override;

    // Also drops the binding list with every binding in it.
    void Release() override;
    // Reads the devices, then runs the bindings. 0 (and no binding runs) when
    // a lost device could not be taken back.
    int Update() override;

    // The devices-only form; without a timer there is no binding list.
    using InputDevice::Init;
    // Makes the devices and the binding list; the timer is lent to every
    // binding added later. 0 when the devices cannot be made.
    virtual int Init(HWND window, HINSTANCE instance, FrameTimer* timer);
    // AddBinding for each of count bindings, in order. Always 1.
    virtual int AddBindings(Binding* const* list, int count);
    // Takes ownership of the binding, attaches it to this manager and the
    // timer and appends it. 0 for a null binding or before Init, and the
    // caller keeps it then.
    virtual int AddBinding(Binding* binding);
    // Takes the binding out of the list and destroys it; a binding that is
    // not in the list (or null) is left alone.
    virtual void RemoveBinding(Binding* binding);

    BindingList* bindings;  // owned; null until Init succeeds
};
