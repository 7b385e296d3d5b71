#include "input/InputDevice.h"

#include <cstring>

namespace {

constexpr DWORD kKeyboardLevel = DISCL_EXCLUSIVE | DISCL_FOREGROUND;
constexpr DWORD kMouseLevel = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;

bool IsKeyCode(int key) {
    return key >= 0 && key < InputDevice::kKeyCount;
}

// One of x, y, z by number; anything else reads as 0.
float Component(const Vec3& v, int index) {
    switch (index) {
        case 0:
            return v.x;
        case 1:
            return v.y;
        case 2:
            return v.z;
        default:
            return 0.0f;
    }
}

}  // namespace

InputDevice::InputDevice()
    : instance(nullptr),
      window(nullptr),
      lastResult(DI_OK),
      directInput(nullptr),
      keyboard(nullptr),
      mouse(nullptr),
      mouseState{},
      keyState{},
      invertMouseY(0),
      current(0) {}

InputDevice::~InputDevice() {
    InputDevice::Release();
}

int InputDevice::Init(HWND window, HINSTANCE instance) {
    this->window = window;
    this->instance = instance;
    SetFocus(window);

    void* created = nullptr;
    lastResult =
        DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &created, nullptr);
    if (FAILED(lastResult)) return 0;
    directInput = static_cast<IDirectInput8A*>(created);

    if (!CreateKeyboard()) return 0;
    return CreateMouse() ? 1 : 0;
}

int InputDevice::CreateKeyboard() {
    current = 1;
    std::memset(keyState, 0, sizeof keyState);
    return MakeDevice(GUID_SysKeyboard, keyboard, &c_dfDIKeyboard, kKeyboardLevel);
}

int InputDevice::CreateMouse() {
    invertMouseY = 0;
    return MakeDevice(GUID_SysMouse, mouse, &c_dfDIMouse, kMouseLevel);
}

int InputDevice::MakeDevice(const GUID& kind, IDirectInputDevice8A*& device,
                            const DIDATAFORMAT* format, DWORD level) {
    if (directInput == nullptr) return 0;

    IDirectInputDevice8A* created = nullptr;
    lastResult = directInput->CreateDevice(kind, &created, nullptr);
    if (FAILED(lastResult) || created == nullptr) {
        Release();
        return 0;
    }
    device = created;

    lastResult = device->SetDataFormat(format);
    if (SUCCEEDED(lastResult)) lastResult = device->SetCooperativeLevel(window, level);
    if (FAILED(lastResult)) {
        Release();
        return 0;
    }

    // A foreground device cannot be taken while the window is in the
    // background, which is how a program usually starts. That is no reason to
    // give up: it is taken on activation, or by the poll that finds it lost.
    lastResult = device->Acquire();
    return 1;
}

void InputDevice::Release() {
    if (keyboard != nullptr) {
        keyboard->Unacquire();
        keyboard->Release();
        keyboard = nullptr;
    }
    if (mouse != nullptr) {
        mouse->Unacquire();
        mouse->Release();
        mouse = nullptr;
    }
    if (directInput != nullptr) {
        directInput->Release();
        directInput = nullptr;
    }
}

int InputDevice::PollKeyboard() {
    if (keyboard == nullptr) return 0;
    // Not cleared first: after a failed read the buffer keeps the state it
    // held, that of two updates ago.
    lastResult = keyboard->GetDeviceState(kKeyCount, keyState[current]);
    if (lastResult == DIERR_INPUTLOST) {
        lastResult = keyboard->Acquire();
        if (FAILED(lastResult)) return 0;
    }
    return 1;
}

int InputDevice::PollMouse() {
    if (mouse == nullptr) return 0;
    std::memset(&mouseState, 0, sizeof mouseState);
    lastResult = mouse->GetDeviceState(sizeof mouseState, &mouseState);
    if (lastResult == DIERR_INPUTLOST) {
        lastResult = mouse->Acquire();
        if (FAILED(lastResult)) return 0;
    }

    float y = static_cast<float>(mouseState.lY);
    mouseMotion[current] = Vec3(static_cast<float>(mouseState.lX), invertMouseY ? y : -y,
                                static_cast<float>(mouseState.lZ));
    mouseButtons[current] =
        Vec3(mouseState.rgbButtons[0], mouseState.rgbButtons[1], mouseState.rgbButtons[2]);
    return 1;
}

int InputDevice::Update() {
    current = 1 - current;
    if (!PollKeyboard()) return 0;
    return PollMouse() ? 1 : 0;
}

int InputDevice::AcquireDevices() {
    if (keyboard == nullptr || mouse == nullptr) return 0;
    keyboard->Acquire();
    mouse->Acquire();
    return 1;
}

int InputDevice::AnyKeyDown() const {
    for (int key = 0; key < kKeyCount; ++key) {
        if (KeyDown(key)) return 1;
    }
    return 0;
}

int InputDevice::KeyUp(int key) const {
    return KeyDown(key) ? 0 : 1;
}

int InputDevice::KeyDown(int key) const {
    return IsKeyCode(key) && keyState[current][key] != 0 ? 1 : 0;
}

int InputDevice::KeyPressed(int key) const {
    return KeyDown(key) && !WasKeyDown(key) ? 1 : 0;
}

int InputDevice::KeyReleased(int key) const {
    return KeyUp(key) && WasKeyDown(key) ? 1 : 0;
}

int InputDevice::AnyMouseMotion() const {
    for (int axis = 0; axis < kMouseChannels; ++axis) {
        if (MouseAxis(axis) != 0.0f) return 1;
    }
    return 0;
}

int InputDevice::AnyMouseButtonDown() const {
    for (int button = 0; button < kMouseChannels; ++button) {
        if (MouseButtonDown(button)) return 1;
    }
    return 0;
}

float InputDevice::MouseAxis(int axis) const {
    return Component(mouseMotion[current], axis);
}

int InputDevice::MouseButtonUp(int button) const {
    return Component(mouseButtons[current], button) == 0.0f ? 1 : 0;
}

int InputDevice::MouseButtonDown(int button) const {
    return MouseButtonUp(button) ? 0 : 1;
}

int InputDevice::MouseButtonReleased(int button) const {
    return MouseButtonUp(button) && PreviousMouseButton(button) != 0.0f ? 1 : 0;
}

int InputDevice::MouseButtonPressed(int button) const {
    return MouseButtonDown(button) && PreviousMouseButton(button) == 0.0f ? 1 : 0;
}

void InputDevice::ToggleInvertMouseY() {
    invertMouseY = invertMouseY == 0 ? 1 : 0;
}

bool InputDevice::WasKeyDown(int key) const {
    return IsKeyCode(key) && keyState[1 - current][key] != 0;
}

float InputDevice::PreviousMouseButton(int button) const {
    return Component(mouseButtons[1 - current], button);
}
