// Joins one trigger to one command: every frame the trigger is evaluated and
// its answer, fired or not, goes to the command. Owns both.
#pragma once

class Command;
class FrameTimer;
class InputManager;
class Trigger;

class Binding {
public:
    Binding();
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    // Destroys the trigger and the command.
    virtual ~Binding();
    // Takes ownership of both. Returns 1.
    virtual int Set(Trigger* trigger, Command* command);
    // Hands the manager and the timer to the trigger, then to the command;
    // the answer is the command's.
    virtual int Attach(InputManager* manager, FrameTimer* timer);
    // Each replaces (and destroys) the one held before.
    virtual void SetTrigger(Trigger* trigger);
    virtual void SetCommand(Command* command);
    // Evaluates the trigger, then runs the command with the answer.
    virtual void Update();

    Trigger* trigger;  // owned
    Command* command;  // owned
};
