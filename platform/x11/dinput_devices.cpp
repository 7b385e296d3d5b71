// Linux platform layer: the DirectInput 8 keyboard and mouse.
//
// Provides:
//   [X] DirectInput8Create (version 0x0800, IID_IDirectInput8A), Release
//   [X] CreateDevice for GUID_SysKeyboard and GUID_SysMouse
//   [X] SetDataFormat (c_dfDIKeyboard, c_dfDIMouse), SetCooperativeLevel,
//       Acquire, Unacquire, GetDeviceState, Release
//   [X] Foreground devices: acquired only while their window has the focus;
//       the first read after the focus went elsewhere reports input lost
//   [X] Keyboard: kept from the window's own key events through the key table
//       of x11_keymap.cpp, 0x80 per key down. As on Windows, a device reports
//       only what happens while it is acquired: a key already held when it is
//       acquired counts once it is pressed again (or repeats), a release always
//       counts, and the window's loss of the focus lets go of every key
//   [X] Mouse: pointer motion over the window since the last read, buttons
//       1/3/2 as buttons 0/1/2 and the wheel (buttons 4/5, 120 a notch), from
//       the window's events in the same way
//   [ ] Motion while the pointer is outside the window, buffered data, custom
//       data formats, joysticks, force feedback, device enumeration: the
//       program needs none.
//
// So a read costs no round trip to the X server. Held keys, buttons and motion
// scripted by the test controls are added to what the events report; see
// testing.cpp.
#include <algorithm>
#include <cstring>

#include "platform/DirectInput.h"
#include "platform/x11/X11Platform.h"

// The values Windows gives these identifiers.
const GUID GUID_SysKeyboard = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {
    0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID IID_IDirectInput8A = {
    0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};

// The devices recognise these two formats by address; only the data size is
// looked at, so no per-object descriptions are needed.
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 0, DIDF_RELAXIS, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), 0, DIDF_RELAXIS,
                                  sizeof(DIMOUSESTATE), 0, nullptr};

namespace {

constexpr BYTE kDown = 0x80;

bool SameGuid(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

// Where the pointer is on its screen; false when it cannot be told. One round
// trip, made only when a mouse is acquired: motion counts from there.
bool QueryPointerPosition(int* x, int* y) {
    x11::PlatformState& state = x11::State();
    if (state.display == nullptr) return false;
    Window root = 0;
    Window child = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned buttons = 0;
    // NOTE: a false answer only means the pointer is on another screen; the
    // coordinates are then on that screen's root, which is still a position.
    XQueryPointer(state.display, RootWindow(state.display, state.screen), &root, &child, x, y,
                  &windowX, &windowY, &buttons);
    return true;
}

enum class DeviceKind { kKeyboard, kMouse };

// A keyboard or mouse device object. It keeps the state its window's events
// left while it was acquired.
class SystemDevice final : public IDirectInputDevice8A, public x11::InputListener {
public:
    explicit SystemDevice(DeviceKind kind) : kind_(kind) {
        x11::State().inputListeners.push_back(this);
    }

    HRESULT SetDataFormat(const DIDATAFORMAT* format) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT Acquire() override;
    HRESULT Unacquire() override;
    HRESULT GetDeviceState(DWORD size, LPVOID data) override;
    ULONG Release() override;
    void OnInputEvent(const XEvent& event) override;

private:
    ~SystemDevice() override;

    const DIDATAFORMAT& ExpectedFormat() const {
        return kind_ == DeviceKind::kKeyboard ? c_dfDIKeyboard : c_dfDIMouse;
    }
    bool& ScriptedLoss() const {
        x11::ScriptedInput& scripted = x11::State().scriptedInput;
        return kind_ == DeviceKind::kKeyboard ? scripted.keyboardLost : scripted.mouseLost;
    }
    bool HasForeground() const;
    void LetGoOfEverything();
    void OnPointerAt(int x, int y);
    void OnButton(unsigned button, bool down);
    void ReadKeyboard(BYTE* keys);
    void ReadMouse(DIMOUSESTATE* mouse);

    DeviceKind kind_;
    ULONG references_ = 1;
    const DIDATAFORMAT* format_ = nullptr;
    // Until SetCooperativeLevel: non-exclusive background access, as on Windows.
    DWORD flags_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    HWND window_ = nullptr;
    Window xwindow_ = 0;  // tells the window apart from a later one at the same address
    bool acquired_ = false;
    BYTE keys_[256] = {};        // keyboard: DIK codes pressed and not let go of
    BYTE buttons_[3] = {};       // mouse: buttons 0..2 down
    LONG motion_[3] = {};        // mouse: x, y and wheel motion not yet read
    bool pointerKnown_ = false;  // mouse: where the pointer was last seen
    int pointerX_ = 0;
    int pointerY_ = 0;
};

SystemDevice::~SystemDevice() {
    auto& listeners = x11::State().inputListeners;
    listeners.erase(std::remove(listeners.begin(), listeners.end(), this), listeners.end());
}

void SystemDevice::LetGoOfEverything() {
    std::memset(keys_, 0, sizeof keys_);
    std::memset(buttons_, 0, sizeof buttons_);
    std::memset(motion_, 0, sizeof motion_);
}

// Takes what an event of the device's window says. Presses and motion count
// only while acquired; a release always does.
void SystemDevice::OnInputEvent(const XEvent& event) {
    if (window_ == nullptr || event.xany.window != xwindow_) return;
    if (event.type == FocusOut) {
        LetGoOfEverything();
        return;
    }
    if (kind_ == DeviceKind::kKeyboard) {
        if (event.type != KeyPress && event.type != KeyRelease) return;
        int dik = x11::DikFromXKeycode(event.xkey.keycode);
        if (dik == 0) return;
        if (event.type == KeyRelease) {
            keys_[dik] = 0;
        } else if (acquired_) {
            keys_[dik] = kDown;
        }
        return;
    }
    switch (event.type) {
        case MotionNotify:
            OnPointerAt(event.xmotion.x_root, event.xmotion.y_root);
            break;
        case EnterNotify:
        case LeaveNotify:
            OnPointerAt(event.xcrossing.x_root, event.xcrossing.y_root);
            break;
        case ButtonPress:
        case ButtonRelease:
            OnPointerAt(event.xbutton.x_root, event.xbutton.y_root);
            OnButton(event.xbutton.button, event.type == ButtonPress);
            break;
        default:
            break;
    }
}

void SystemDevice::OnPointerAt(int x, int y) {
    if (acquired_ && pointerKnown_) {
        motion_[0] += x - pointerX_;
        motion_[1] += y - pointerY_;
    }
    pointerKnown_ = true;
    pointerX_ = x;
    pointerY_ = y;
}

void SystemDevice::OnButton(unsigned button, bool down) {
    // Windows numbers the right button 1 and the middle one 2; X has them the
    // other way round. Buttons 4 and 5 are the wheel turned away and towards.
    const LONG kWheelNotch = 120;
    switch (button) {
        case Button1:
        case Button2:
        case Button3: {
            int index = button == Button1 ? 0 : button == Button3 ? 1 : 2;
            if (!down) {
                buttons_[index] = 0;
            } else if (acquired_) {
                buttons_[index] = kDown;
            }
            break;
        }
        case Button4:
        case Button5:
            if (down && acquired_) motion_[2] += button == Button4 ? kWheelNotch : -kWheelNotch;
            break;
        default:
            break;
    }
}

// True when a foreground device's window is the focused window (always for background ones).
bool SystemDevice::HasForeground() const {
    if ((flags_ & DISCL_FOREGROUND) == 0) return true;
    HWND focus = x11::State().focusWindow;
    return focus != nullptr && focus == window_ && focus->xwindow == xwindow_;
}

// Chooses the layout of the state GetDeviceState delivers.
HRESULT SystemDevice::SetDataFormat(const DIDATAFORMAT* format) {
    if (x11::ConsumeFailure("SetDataFormat")) return DIERR_GENERIC;
    if (format == nullptr || format != &ExpectedFormat()) return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    format_ = format;
    return DI_OK;
}

// Ties the device to a window and sets how it shares the device with others.
HRESULT SystemDevice::SetCooperativeLevel(HWND window, DWORD flags) {
    if (x11::ConsumeFailure("SetCooperativeLevel")) return DIERR_GENERIC;
    bool exclusive = (flags & DISCL_EXCLUSIVE) != 0;
    bool nonexclusive = (flags & DISCL_NONEXCLUSIVE) != 0;
    bool foreground = (flags & DISCL_FOREGROUND) != 0;
    bool background = (flags & DISCL_BACKGROUND) != 0;
    DWORD known =
        DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;
    if (exclusive == nonexclusive || foreground == background || (flags & ~known) != 0) {
        return DIERR_INVALIDPARAM;
    }
    if (window == nullptr || x11::FindWindowRecord(window) == nullptr) return E_HANDLE;
    if (acquired_) return DIERR_ACQUIRED;
    flags_ = flags;
    window_ = window;
    xwindow_ = window->xwindow;
    return DI_OK;
}

// Starts delivering state; a foreground device only while its window has the focus.
HRESULT SystemDevice::Acquire() {
    if (x11::ConsumeFailure("Acquire")) return DIERR_OTHERAPPHASPRIO;
    if (format_ == nullptr) return DIERR_INVALIDPARAM;
    if (!HasForeground()) return DIERR_OTHERAPPHASPRIO;
    if (acquired_) return DI_NOEFFECT;
    // Events that came before this call are heard while still unacquired.
    x11::DeliverQueuedInputEvents();
    acquired_ = true;
    // What happened before is not this device's: it starts with nothing held,
    // and motion counts from where the pointer is now.
    LetGoOfEverything();
    if (kind_ == DeviceKind::kMouse) pointerKnown_ = QueryPointerPosition(&pointerX_, &pointerY_);
    return DI_OK;
}

HRESULT SystemDevice::Unacquire() {
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    LetGoOfEverything();
    return DI_OK;
}

// Copies the device's present state into the caller's buffer.
HRESULT SystemDevice::GetDeviceState(DWORD size, LPVOID data) {
    if (x11::ConsumeFailure("GetDeviceState")) return DIERR_GENERIC;
    if (data == nullptr) return DIERR_INVALIDPARAM;
    if (format_ != nullptr && size != format_->dwDataSize) return DIERR_INVALIDPARAM;
    // Key events that reached the connection since the message loop last looked.
    x11::DeliverQueuedInputEvents();
    if (acquired_ && (ScriptedLoss() || !HasForeground())) {
        // As on Windows: losing the foreground unacquires the device, and the
        // first read after that says so.
        ScriptedLoss() = false;
        acquired_ = false;
        LetGoOfEverything();
        return DIERR_INPUTLOST;
    }
    if (!acquired_) return DIERR_NOTACQUIRED;

    if (kind_ == DeviceKind::kKeyboard) {
        BYTE keys[256] = {};
        ReadKeyboard(keys);
        std::memcpy(data, keys, sizeof keys);
    } else {
        DIMOUSESTATE mouse{};
        ReadMouse(&mouse);
        std::memcpy(data, &mouse, sizeof mouse);
    }
    return DI_OK;
}

void SystemDevice::ReadKeyboard(BYTE* keys) {
    std::memcpy(keys, keys_, sizeof keys_);
    const x11::ScriptedInput& scripted = x11::State().scriptedInput;
    for (int dik = 0; dik < 256; ++dik) {
        if (scripted.keys[dik]) keys[dik] = kDown;
    }
}

void SystemDevice::ReadMouse(DIMOUSESTATE* mouse) {
    x11::ScriptedInput& scripted = x11::State().scriptedInput;
    mouse->lX = motion_[0] + scripted.mouseX;
    mouse->lY = motion_[1] + scripted.mouseY;
    mouse->lZ = motion_[2] + scripted.mouseZ;
    std::memset(motion_, 0, sizeof motion_);
    scripted.mouseX = 0;
    scripted.mouseY = 0;
    scripted.mouseZ = 0;
    for (int button = 0; button < 3; ++button) {
        bool down = buttons_[button] != 0 || scripted.mouseButtons[button];
        mouse->rgbButtons[button] = down ? kDown : 0;
    }
}

ULONG SystemDevice::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

// The DirectInput object. Devices do not depend on it: they stay usable after
// it is released, as the layer's X connection outlives both.
class DirectInput final : public IDirectInput8A {
public:
    HRESULT CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8A* created, LPUNKNOWN outer) override;
    ULONG Release() override;

private:
    ~DirectInput() override = default;

    ULONG references_ = 1;
};

// Makes a keyboard or mouse device object.
HRESULT DirectInput::CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8A* created, LPUNKNOWN outer) {
    if (created != nullptr) *created = nullptr;
    if (x11::ConsumeFailure("CreateDevice")) return DIERR_DEVICENOTREG;
    if (created == nullptr) return DIERR_INVALIDPARAM;
    if (outer != nullptr) return DIERR_NOAGGREGATION;
    if (SameGuid(device, GUID_SysKeyboard)) {
        *created = new SystemDevice(DeviceKind::kKeyboard);
    } else if (SameGuid(device, GUID_SysMouse)) {
        *created = new SystemDevice(DeviceKind::kMouse);
    } else {
        return DIERR_DEVICENOTREG;
    }
    return DI_OK;
}

ULONG DirectInput::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

}  // namespace

// Makes the DirectInput object; the X display must be reachable.
HRESULT DirectInput8Create(HINSTANCE /*instance*/, DWORD version, REFIID interfaceId,
                           LPVOID* created, LPUNKNOWN outer) {
    if (created != nullptr) *created = nullptr;
    if (x11::ConsumeFailure("DirectInput8Create")) return DIERR_GENERIC;
    if (created == nullptr) return DIERR_INVALIDPARAM;
    if (version < DIRECTINPUT_VERSION) return DIERR_BETADIRECTINPUTVERSION;
    if (version > DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
    if (!SameGuid(interfaceId, IID_IDirectInput8A)) return DIERR_NOINTERFACE;
    if (outer != nullptr) return DIERR_NOAGGREGATION;
    if (x11::OpenDisplay() == nullptr) {
        x11::ReportError("DirectInput", "no X display to read the keyboard and mouse from");
        return DIERR_GENERIC;
    }
    *created = static_cast<IDirectInput8A*>(new DirectInput());
    return DI_OK;
}
