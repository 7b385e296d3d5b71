// The keyboard and the mouse through DirectInput 8, read once per update into
// two buffers: this update's state and the previous one's, so the queries can
// answer "down now" and "went down (or up) since the last update".
//
// Key codes are DirectInput scan codes 0..255; mouse axes (x, y, wheel) and
// buttons are numbered 0..2. Codes outside those ranges read as up and still.
// The queries never call DirectInput; they read what the last Update stored.
#pragma once

#include "math/Vec3.h"
#include "platform/DirectInput.h"

class InputDevice {
public:
    static constexpr int kKeyCount = 256;
    static constexpr int kMouseChannels = 3;

    InputDevice();
    InputDevice(const InputDevice&) = delete;
    InputDevice& operator=(const InputDevice&) = delete;

    // Make the device, set its format and cooperative level and try to take
    // it. A device that cannot be taken yet (the window is not in the
    // foreground) is still made: it is taken on activation or when a poll
    // finds it lost. 1 when made; 0 after releasing everything.
    virtual int CreateKeyboard();
    virtual int CreateMouse();
    // Read the device into this update's buffer. 0 only when the device was
    // lost and cannot be taken back.
    virtual int PollKeyboard();
    virtual int PollMouse();

    virtual ~InputDevice();

    // Gives the window the keyboard focus and makes DirectInput, the keyboard
    // and the mouse. 0 (with everything released) when any of them fails.
    virtual int Init(HWND window, HINSTANCE instance);
    // Unacquires and releases both devices, then DirectInput. Safe to repeat.
    virtual void Release();
    // Swaps the buffers and reads both devices. 0 when a lost device could
    // not be taken back.
    virtual int Update();
    // Takes both devices again (on window activation). 0 when either is missing.
    virtual int AcquireDevices();

    virtual int AnyKeyDown() const;
    virtual int KeyUp(int key) const;
    virtual int KeyDown(int key) const;
    // Down now and up in the previous update.
    virtual int KeyPressed(int key) const;
    // Up now and down in the previous update.
    virtual int KeyReleased(int key) const;
    virtual int AnyMouseMotion() const;
    virtual int AnyMouseButtonDown() const;
    // Motion of the last update along x, y (positive away from the user
    // unless inverted) or the wheel.
    virtual float MouseAxis(int axis) const;
    virtual int MouseButtonUp(int button) const;
    virtual int MouseButtonDown(int button) const;
    virtual int MouseButtonReleased(int button) const;
    virtual int MouseButtonPressed(int button) const;
    virtual void ToggleInvertMouseY();

    HINSTANCE instance;
    HWND window;
    HRESULT lastResult;  // outcome of the last DirectInput call that was checked
    IDirectInput8A* directInput;
    IDirectInputDevice8A* keyboard;
    IDirectInputDevice8A* mouse;
    DIMOUSESTATE mouseState;
    unsigned char keyState[2][kKeyCount];  // non-zero when the key is down
    Vec3 mouseMotion[2];                   // (x, y, wheel) per buffer
    Vec3 mouseButtons[2];                  // raw button bytes: 0 up, 128 down
    int invertMouseY;                      // 0: y is negated, so away from the user is positive
    int current;                           // buffer of this update; the other holds the previous

protected:
    // The previous update's state, for the edge queries. Out-of-range codes
    // read as up.
    bool WasKeyDown(int key) const;
    float PreviousMouseButton(int button) const;

private:
    // Makes a device of the given kind into `device`, sets its format and
    // cooperative level and tries to acquire it. On a failure everything is
    // released and the answer is 0; lastResult tells which call failed.
    int MakeDevice(const GUID& kind, IDirectInputDevice8A*& device, const DIDATAFORMAT* format,
                   DWORD level);
};
