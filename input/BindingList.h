// The input manager's bindings, owned, in the order they were registered,
// which is also the order in which they run every frame.
#pragma once

#include <vector>

class Binding;
class FrameTimer;
class InputManager;

class BindingList {
public:
    BindingList();
    BindingList(const BindingList&) = delete;
    BindingList& operator=(const BindingList&) = delete;

    // Destroys every binding.
    virtual ~BindingList();
    // The manager and timer handed to every binding added from now on. Returns 1.
    virtual int Attach(InputManager* manager, FrameTimer* timer);
    // Attaches the binding and appends it; the list owns it from now on. Returns 1.
    virtual int Add(Binding* binding);
    // Takes the binding out and destroys it; one that is not listed is left alone.
    virtual void Remove(Binding* binding);
    // Runs every binding, in order.
    virtual void UpdateAll();

    InputManager* manager;  // not owned
    FrameTimer* timer;      // not owned
    std::vector<Binding*> entries;
};
