#include "input/InputManager.h"

#include "input/BindingList.h"

InputManager::InputManager() : bindings(nullptr) {}

InputManager::~InputManager() {
    InputManager::Release();
}

void InputManager::Release() {
    delete bindings;
    bindings = nullptr;
    InputDevice::Release();
}

int InputManager::Init(HWND window, HINSTANCE instance, FrameTimer* timer) {
    int result = InputDevice::Init(window, instance);
    if (!result) return 0;
    bindings = new BindingList();
    bindings->Attach(this, timer);
    return result;
}

int InputManager::Update() {
    if (!InputDevice::Update()) return 0;
    if (bindings != nullptr) bindings->UpdateAll();
    return 1;
}

int InputManager::AddBindings(Binding* const* list, int count) {
    if (list == nullptr) return 1;
    for (int i = 0; i < count; ++i) AddBinding(list[i]);
    return 1;
}

int InputManager::AddBinding(Binding* binding) {
    if (binding == nullptr || bindings == nullptr) return 0;
    return bindings->Add(binding);
}

void InputManager::RemoveBinding(Binding* binding) {
    if (binding == nullptr || bindings == nullptr) return;
    bindings->Remove(binding);
}
