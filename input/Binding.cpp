#include "input/Binding.h"

#include "input/Command.h"
#include "input/Trigger.h"

Binding::Binding() : trigger(nullptr), command(nullptr) {}

Binding::~Binding() {
    delete trigger;
    delete command;
}

int Binding::Set(Trigger* trigger, Command* command) {
    SetTrigger(trigger);
    SetCommand(command);
    return 1;
}

int Binding::Attach(InputManager* manager, FrameTimer* timer) {
    if (trigger != nullptr) trigger->Attach(manager, timer);
    return command != nullptr ? command->Attach(manager, timer) : 0;
}

void Binding::SetTrigger(Trigger* trigger) {
    if (trigger != this->trigger) delete this->trigger;
    this->trigger = trigger;
}

void Binding::SetCommand(Command* command) {
    if (command != this->command) delete this->command;
    this->command = command;
}

void Binding::Update() {
    // A half-made binding does nothing rather than read through a null pointer.
    if (trigger == nullptr || command == nullptr) return;
    int fired = trigger->Check();
    command->Execute(fired != 0);
}
