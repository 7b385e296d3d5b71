// The DirectInput keyboard and mouse: creation, the foreground rules, reading
// the window's real key, button and pointer events, and the test controls
// added on top.
// GoogleTest comes before Xlib: Xlib's macros (None, Bool) break its templates.
#include <array>
#include <vector>

#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/DirectInput.h"
#include "platform/Testing.h"
#include "platform/x11/X11Platform.h"
#include "tests/support/TestWindow.h"
#include "tests/support/XInputLock.h"

namespace {

constexpr DWORD kKeyboardLevel = DISCL_EXCLUSIVE | DISCL_FOREGROUND;  // 5, as the program asks
constexpr DWORD kMouseLevel = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;  // 6
constexpr DWORD kBackgroundLevel = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;

using KeyState = std::array<BYTE, 256>;

Display* XDisplay() {
    return static_cast<Display*>(platformtest::XDisplayConnection());
}

LPDIRECTINPUT8A CreateDirectInput() {
    LPVOID created = nullptr;
    HRESULT result = DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION,
                                        IID_IDirectInput8A, &created, nullptr);
    return SUCCEEDED(result) ? static_cast<LPDIRECTINPUT8A>(created) : nullptr;
}

// A device made and set up the way the program does it, up to (not including) Acquire.
LPDIRECTINPUTDEVICE8A CreateDevice(LPDIRECTINPUT8A input, const GUID& guid, HWND window,
                                   DWORD level) {
    LPDIRECTINPUTDEVICE8A device = nullptr;
    if (FAILED(input->CreateDevice(guid, &device, nullptr))) return nullptr;
    const DIDATAFORMAT* format = &guid == &GUID_SysKeyboard ? &c_dfDIKeyboard : &c_dfDIMouse;
    if (FAILED(device->SetDataFormat(format)) ||
        FAILED(device->SetCooperativeLevel(window, level))) {
        device->Release();
        return nullptr;
    }
    return device;
}

HRESULT ReadKeys(LPDIRECTINPUTDEVICE8A keyboard, KeyState* keys) {
    return keyboard->GetDeviceState(static_cast<DWORD>(keys->size()), keys->data());
}

HRESULT ReadMouse(LPDIRECTINPUTDEVICE8A mouse, DIMOUSESTATE* state) {
    *state = DIMOUSESTATE{};
    return mouse->GetDeviceState(sizeof *state, state);
}

std::vector<int> KeysDown(const KeyState& keys) {
    std::vector<int> down;
    for (int dik = 0; dik < 256; ++dik) {
        if (keys[dik] != 0) down.push_back(dik);
    }
    return down;
}

// Keys and buttons pressed on the X server through XTest; everything pressed
// is let go again on destruction, so a failed check leaves nothing held.
class FakeInput {
public:
    ~FakeInput() {
        for (KeyCode key : keys_) XTestFakeKeyEvent(XDisplay(), key, False, CurrentTime);
        for (unsigned button : buttons_)
            XTestFakeButtonEvent(XDisplay(), button, False, CurrentTime);
        XSync(XDisplay(), False);
    }
    void Key(KeySym keysym, bool down) {
        KeyCode key = XKeysymToKeycode(XDisplay(), keysym);
        ASSERT_NE(key, 0) << XKeysymToString(keysym) << " is not on the server's keyboard";
        XTestFakeKeyEvent(XDisplay(), key, down ? True : False, CurrentTime);
        XSync(XDisplay(), False);
        keys_.push_back(key);
    }
    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(XDisplay(), button, down ? True : False, CurrentTime);
        XSync(XDisplay(), False);
        buttons_.push_back(button);
    }
    static void MovePointerTo(int x, int y) {
        XTestFakeMotionEvent(XDisplay(), DefaultScreen(XDisplay()), x, y, CurrentTime);
        XSync(XDisplay(), False);
    }

private:
    std::vector<KeyCode> keys_;
    std::vector<unsigned> buttons_;
};

class DirectInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformtest::Reset();
        ASSERT_NE(XDisplay(), nullptr)
            << "input device tests need an X display: set DISPLAY (Xvfb)";
        // Focus, keys and pointer are the server's, shared with other test processes.
        HoldXInputLock();
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        ASSERT_TRUE(XTestQueryExtension(XDisplay(), &eventBase, &errorBase, &major, &minor))
            << "the X server has no XTest extension";
        input_ = CreateDirectInput();
        ASSERT_NE(input_, nullptr);
    }
    void TearDown() override {
        for (LPDIRECTINPUTDEVICE8A device : devices_) {
            device->Unacquire();
            device->Release();
        }
        if (input_ != nullptr) input_->Release();
        window_.Close();
        PumpMessages();
        platformtest::Reset();
    }

    // A device released at the end of the test.
    LPDIRECTINPUTDEVICE8A Make(const GUID& guid, DWORD level) {
        LPDIRECTINPUTDEVICE8A device = CreateDevice(input_, guid, window_.Handle(), level);
        if (device != nullptr) devices_.push_back(device);
        return device;
    }
    // A focused window with an acquired keyboard and mouse, as the running
    // program has them. Pointer events reach it inside its client area, which
    // lies within (4, 23) to (396, 396) on the screen.
    void MakeAcquiredDevices() {
        ASSERT_TRUE(window_.Create(400, 400));
        ASSERT_TRUE(window_.ShowAndFocus());
        keyboard_ = Make(GUID_SysKeyboard, kKeyboardLevel);
        mouse_ = Make(GUID_SysMouse, kMouseLevel);
        ASSERT_NE(keyboard_, nullptr);
        ASSERT_NE(mouse_, nullptr);
        ASSERT_EQ(keyboard_->Acquire(), DI_OK);
        ASSERT_EQ(mouse_->Acquire(), DI_OK);
    }

    LPDIRECTINPUT8A input_ = nullptr;
    std::vector<LPDIRECTINPUTDEVICE8A> devices_;
    TestWindow window_;
    LPDIRECTINPUTDEVICE8A keyboard_ = nullptr;
    LPDIRECTINPUTDEVICE8A mouse_ = nullptr;
};

// ---- Creation ---------------------------------------------------------------

TEST_F(DirectInputTest, CreationSequenceOfTheProgramSucceeds) {
    ASSERT_TRUE(window_.Create());
    ASSERT_TRUE(window_.ShowAndFocus());
    for (const GUID* guid : {&GUID_SysKeyboard, &GUID_SysMouse}) {
        LPDIRECTINPUTDEVICE8A device = nullptr;
        ASSERT_EQ(input_->CreateDevice(*guid, &device, nullptr), DI_OK);
        ASSERT_NE(device, nullptr);
        bool keyboard = guid == &GUID_SysKeyboard;
        EXPECT_EQ(device->SetDataFormat(keyboard ? &c_dfDIKeyboard : &c_dfDIMouse), DI_OK);
        EXPECT_EQ(device->SetCooperativeLevel(window_.Handle(), keyboard ? 5u : 6u), DI_OK);
        EXPECT_EQ(device->Acquire(), DI_OK);
        EXPECT_TRUE(SUCCEEDED(device->Acquire())) << "acquiring twice is harmless";
        EXPECT_EQ(device->Unacquire(), DI_OK);
        EXPECT_EQ(device->Release(), 0u);
    }
}

TEST_F(DirectInputTest, DirectInput8CreateRefusesWhatWindowsRefuses) {
    LPVOID created = reinterpret_cast<LPVOID>(1);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_EQ(DirectInput8Create(instance, 0x0800, IID_IDirectInput8A, nullptr, nullptr),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(DirectInput8Create(instance, 0x0700, IID_IDirectInput8A, &created, nullptr),
              DIERR_BETADIRECTINPUTVERSION);
    EXPECT_EQ(created, nullptr) << "the result is cleared on failure";
    EXPECT_EQ(DirectInput8Create(instance, 0x0900, IID_IDirectInput8A, &created, nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(DirectInput8Create(instance, 0x0800, GUID_SysKeyboard, &created, nullptr),
              DIERR_NOINTERFACE);
    int outer = 0;
    EXPECT_EQ(DirectInput8Create(instance, 0x0800, IID_IDirectInput8A, &created, &outer),
              DIERR_NOAGGREGATION);
    EXPECT_EQ(created, nullptr);
}

TEST_F(DirectInputTest, CreateDeviceKnowsOnlyTheSystemKeyboardAndMouse) {
    LPDIRECTINPUTDEVICE8A device = reinterpret_cast<LPDIRECTINPUTDEVICE8A>(1);
    EXPECT_EQ(input_->CreateDevice(IID_IDirectInput8A, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(input_->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
    int outer = 0;
    EXPECT_EQ(input_->CreateDevice(GUID_SysMouse, &device, &outer), DIERR_NOAGGREGATION);
    EXPECT_EQ(device, nullptr);
}

TEST_F(DirectInputTest, SetDataFormatNeedsTheDevicesOwnFormat) {
    LPDIRECTINPUTDEVICE8A keyboard = nullptr;
    LPDIRECTINPUTDEVICE8A mouse = nullptr;
    ASSERT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(input_->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    devices_ = {keyboard, mouse};

    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
    KeyState keys{};
    EXPECT_EQ(ReadKeys(keyboard, &keys), DIERR_NOTACQUIRED);
}

TEST_F(DirectInputTest, SetCooperativeLevelChecksWindowAndFlags) {
    ASSERT_TRUE(window_.Create());
    LPDIRECTINPUTDEVICE8A keyboard = nullptr;
    ASSERT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    devices_ = {keyboard};
    HWND window = window_.Handle();

    EXPECT_EQ(keyboard->SetCooperativeLevel(
                  window, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_FOREGROUND), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window,
                                            DISCL_EXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, kKeyboardLevel | 0x100), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, kKeyboardLevel), E_HANDLE);
    EXPECT_EQ(keyboard->SetCooperativeLevel(reinterpret_cast<HWND>(0x1234), kKeyboardLevel),
              E_HANDLE);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, kKeyboardLevel | DISCL_NOWINKEY), DI_OK);

    // The level is fixed while the device is acquired.
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(window, kBackgroundLevel), DI_OK);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, kKeyboardLevel), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
}

TEST_F(DirectInputTest, ScriptedFailuresFailOneCallEach) {
    ASSERT_TRUE(window_.Create());
    ASSERT_TRUE(window_.ShowAndFocus());

    platformtest::FailNextCall("DirectInput8Create");
    EXPECT_EQ(CreateDirectInput(), nullptr);

    LPDIRECTINPUTDEVICE8A keyboard = nullptr;
    platformtest::FailNextCall("CreateDevice");
    EXPECT_TRUE(FAILED(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr)));
    EXPECT_EQ(keyboard, nullptr);
    ASSERT_EQ(input_->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    devices_ = {keyboard};

    platformtest::FailNextCall("SetDataFormat");
    EXPECT_TRUE(FAILED(keyboard->SetDataFormat(&c_dfDIKeyboard)));
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    platformtest::FailNextCall("SetCooperativeLevel");
    EXPECT_TRUE(FAILED(keyboard->SetCooperativeLevel(window_.Handle(), kKeyboardLevel)));
    EXPECT_EQ(keyboard->SetCooperativeLevel(window_.Handle(), kKeyboardLevel), DI_OK);
    platformtest::FailNextCall("Acquire");
    EXPECT_TRUE(FAILED(keyboard->Acquire()));
    EXPECT_EQ(keyboard->Acquire(), DI_OK);

    KeyState keys;
    keys.fill(0xAB);
    platformtest::FailNextCall("GetDeviceState");
    EXPECT_EQ(ReadKeys(keyboard, &keys), DIERR_GENERIC);
    EXPECT_EQ(keys[0], 0xAB) << "a failed read leaves the buffer alone";
    EXPECT_EQ(ReadKeys(keyboard, &keys), DI_OK);
    EXPECT_EQ(platformtest::PendingFailures(), 0);
}

TEST_F(DirectInputTest, DevicesOutliveTheDirectInputObject) {
    MakeAcquiredDevices();
    EXPECT_EQ(input_->Release(), 0u);
    input_ = nullptr;
    KeyState keys{};
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    DIMOUSESTATE state{};
    EXPECT_EQ(ReadMouse(mouse_, &state), DI_OK);
}

// ---- Foreground rules --------------------------------------------------------

TEST_F(DirectInputTest, ForegroundDeviceNeedsTheFocusedWindow) {
    ASSERT_TRUE(window_.Create());
    LPDIRECTINPUTDEVICE8A keyboard = Make(GUID_SysKeyboard, kKeyboardLevel);
    LPDIRECTINPUTDEVICE8A mouse = Make(GUID_SysMouse, kMouseLevel);
    LPDIRECTINPUTDEVICE8A background = Make(GUID_SysKeyboard, kBackgroundLevel);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_NE(mouse, nullptr);
    ASSERT_NE(background, nullptr);

    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO) << "hidden window";
    EXPECT_EQ(mouse->Acquire(), DIERR_OTHERAPPHASPRIO) << "hidden window";
    EXPECT_EQ(background->Acquire(), DI_OK) << "background devices do not care";
    KeyState keys{};
    EXPECT_EQ(ReadKeys(keyboard, &keys), DIERR_NOTACQUIRED);

    ASSERT_TRUE(window_.ShowAndFocus());
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_EQ(ReadKeys(keyboard, &keys), DI_OK);
}

TEST_F(DirectInputTest, FocusLossIsReportedOnceThenTheDeviceIsUnacquired) {
    MakeAcquiredDevices();
    TestWindow other;
    ASSERT_TRUE(other.Create());
    ASSERT_TRUE(other.ShowAndFocus());
    ASSERT_NE(x11::State().focusWindow, window_.Handle());

    KeyState keys;
    keys.fill(0xAB);
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DIERR_INPUTLOST);
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keys[DIK_ESCAPE], 0xAB) << "nothing is delivered";
    DIMOUSESTATE state{};
    EXPECT_EQ(ReadMouse(mouse_, &state), DIERR_INPUTLOST);
    EXPECT_EQ(ReadMouse(mouse_, &state), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard_->Acquire(), DIERR_OTHERAPPHASPRIO);

    window_.ClearMessages();
    ASSERT_TRUE(window_.ShowAndFocus());
    EXPECT_EQ(keyboard_->Acquire(), DI_OK);
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
}

TEST_F(DirectInputTest, DestroyedWindowTakesTheForegroundWithIt) {
    MakeAcquiredDevices();
    window_.Close();
    KeyState keys{};
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard_->Acquire(), DIERR_OTHERAPPHASPRIO);
}

// The program acquires its devices from its WM_ACTIVATE handler; by then the
// window must count as focused.
LPDIRECTINPUTDEVICE8A activationKeyboard = nullptr;
std::vector<HRESULT> activationResults;

LRESULT CALLBACK AcquiringProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACTIVATE && LOWORD(wParam) == WA_ACTIVE && activationKeyboard != nullptr) {
        activationResults.push_back(activationKeyboard->Acquire());
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(DirectInputTest, AcquireFromTheActivationHandlerSucceeds) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = AcquiringProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DirectInputActivation";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND window = CreateWindowExA(0, "DirectInputActivation", "activation", WS_OVERLAPPEDWINDOW, 0,
                                  0, 64, 64, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    LPDIRECTINPUTDEVICE8A keyboard = CreateDevice(input_, GUID_SysKeyboard, window, kKeyboardLevel);
    ASSERT_NE(keyboard, nullptr);
    devices_ = {keyboard};
    activationKeyboard = keyboard;
    activationResults.clear();

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    bool activated = PumpUntil([] { return !activationResults.empty(); });
    activationKeyboard = nullptr;
    ASSERT_TRUE(activated);
    EXPECT_EQ(activationResults.front(), DI_OK);
    DestroyWindow(window);
    UnregisterClassA("DirectInputActivation", GetModuleHandleA(nullptr));
}

// ---- The keyboard ------------------------------------------------------------

TEST_F(DirectInputTest, KeyboardReportsRealKeysByTheirDikCodes) {
    MakeAcquiredDevices();
    KeyState keys{};
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    ASSERT_TRUE(KeysDown(keys).empty()) << "nothing may be held before the test";

    const struct {
        KeySym keysym;
        int dik;
    } cases[] = {{XK_Escape, DIK_ESCAPE}, {XK_Return, DIK_RETURN},       {XK_Alt_R, DIK_RMENU},
                 {XK_Left, DIK_LEFT},     {XK_Right, DIK_RIGHT},         {XK_w, DIK_W},
                 {XK_KP_Add, DIK_ADD},    {XK_KP_Enter, DIK_NUMPADENTER}};
    FakeInput fake;
    for (const auto& key : cases) {
        SCOPED_TRACE(XKeysymToString(key.keysym));
        fake.Key(key.keysym, true);
        ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
        EXPECT_EQ(KeysDown(keys), std::vector<int>{key.dik});
        EXPECT_EQ(keys[key.dik], 0x80);
        fake.Key(key.keysym, false);
        ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
        EXPECT_TRUE(KeysDown(keys).empty());
    }

    // A chord: both keys at once.
    fake.Key(XK_Alt_R, true);
    fake.Key(XK_Return, true);
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_EQ(KeysDown(keys), (std::vector<int>{DIK_RETURN, DIK_RMENU}));
}

TEST_F(DirectInputTest, OnlyKeysPressedWhileAcquiredCountAndFocusLossLetsGo) {
    MakeAcquiredDevices();
    FakeInput fake;
    KeyState keys{};
    ASSERT_EQ(keyboard_->Unacquire(), DI_OK);
    fake.Key(XK_Left, true);
    ASSERT_EQ(keyboard_->Acquire(), DI_OK);
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_EQ(keys[DIK_LEFT], 0) << "held before the device was acquired";
    fake.Key(XK_Left, false);
    fake.Key(XK_Left, true);
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_EQ(keys[DIK_LEFT], 0x80);

    // Let go of while another window has the focus, and no read in between.
    TestWindow other;
    ASSERT_TRUE(other.Create());
    ASSERT_TRUE(other.ShowAndFocus());
    fake.Key(XK_Left, false);
    ASSERT_TRUE(window_.ShowAndFocus());
    keyboard_->Acquire();
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_EQ(keys[DIK_LEFT], 0) << "the key does not stick";
}

TEST_F(DirectInputTest, ScriptedKeysAddToTheRealOnes) {
    MakeAcquiredDevices();
    FakeInput fake;
    fake.Key(XK_Left, true);
    platformtest::PressKey(DIK_ESCAPE);
    platformtest::PressKey(DIK_LEFT);
    platformtest::PressKey(-1);   // ignored
    platformtest::PressKey(256);  // ignored
    KeyState keys{};
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_EQ(KeysDown(keys), (std::vector<int>{DIK_ESCAPE, DIK_LEFT}));

    platformtest::ReleaseKey(DIK_LEFT);
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_EQ(keys[DIK_LEFT], 0x80) << "the real key is still down";
    fake.Key(XK_Left, false);
    platformtest::PressKey(DIK_RIGHT);
    platformtest::ReleaseAllKeys();
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_TRUE(KeysDown(keys).empty());
}

TEST_F(DirectInputTest, ResetLetsGoOfEverythingScripted) {
    platformtest::PressKey(DIK_RMENU);
    platformtest::PressMouseButton(0);
    platformtest::MoveMouse(7, 7, 7);
    platformtest::LoseKeyboardInput();
    platformtest::LoseMouseInput();
    platformtest::Reset();

    MakeAcquiredDevices();
    KeyState keys{};
    ASSERT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_TRUE(KeysDown(keys).empty());
    DIMOUSESTATE state{};
    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lZ, 0);
    EXPECT_EQ(state.rgbButtons[0], 0);
}

TEST_F(DirectInputTest, ScriptedLossIsReportedOnceAndOnlyForThatDevice) {
    MakeAcquiredDevices();
    KeyState keys{};
    DIMOUSESTATE state{};
    platformtest::LoseKeyboardInput();
    EXPECT_EQ(ReadMouse(mouse_, &state), DI_OK) << "the mouse is not affected";
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DIERR_INPUTLOST);
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard_->Acquire(), DI_OK) << "the window still has the focus";
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DI_OK);

    platformtest::LoseMouseInput();
    EXPECT_EQ(ReadKeys(keyboard_, &keys), DI_OK);
    EXPECT_EQ(ReadMouse(mouse_, &state), DIERR_INPUTLOST);
    EXPECT_EQ(mouse_->Acquire(), DI_OK);
    EXPECT_EQ(ReadMouse(mouse_, &state), DI_OK);
}

TEST_F(DirectInputTest, BadReadArgumentsAreRefused) {
    MakeAcquiredDevices();
    std::array<BYTE, 300> buffer;
    buffer.fill(0xAB);
    for (DWORD size : {0u, 16u, 255u, 257u}) {
        EXPECT_EQ(keyboard_->GetDeviceState(size, buffer.data()), DIERR_INVALIDPARAM) << size;
    }
    EXPECT_EQ(keyboard_->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
    for (DWORD size : {0u, 12u, 20u, 256u}) {
        EXPECT_EQ(mouse_->GetDeviceState(size, buffer.data()), DIERR_INVALIDPARAM) << size;
    }
    EXPECT_EQ(mouse_->GetDeviceState(16, nullptr), DIERR_INVALIDPARAM);
    for (BYTE value : buffer) ASSERT_EQ(value, 0xAB) << "nothing written";

    // A refused read does not use up a pending loss.
    platformtest::LoseKeyboardInput();
    EXPECT_EQ(keyboard_->GetDeviceState(255, buffer.data()), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard_->GetDeviceState(256, buffer.data()), DIERR_INPUTLOST);
}

// ---- The mouse -----------------------------------------------------------------

TEST_F(DirectInputTest, MouseReportsMotionSinceTheLastRead) {
    FakeInput::MovePointerTo(100, 100);
    MakeAcquiredDevices();
    FakeInput::MovePointerTo(200, 200);  // before this device's first read, after Acquire

    DIMOUSESTATE state{};
    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.lX, 100);
    EXPECT_EQ(state.lY, 100);
    FakeInput::MovePointerTo(230, 190);
    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.lX, 30);
    EXPECT_EQ(state.lY, -10);
    EXPECT_EQ(state.lZ, 0);
    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.lX, 0) << "no motion since the last read";
    EXPECT_EQ(state.lY, 0);

    // Motion while the device is not acquired is not this device's.
    ASSERT_EQ(mouse_->Unacquire(), DI_OK);
    FakeInput::MovePointerTo(300, 300);
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
}

TEST_F(DirectInputTest, MouseButtonsAndWheelAreNumberedAsOnWindows) {
    FakeInput::MovePointerTo(50, 50);
    MakeAcquiredDevices();
    FakeInput fake;
    const struct {
        unsigned xButton;
        int button;
    } cases[] = {{1, 0}, {3, 1}, {2, 2}};
    DIMOUSESTATE state{};
    for (const auto& press : cases) {
        SCOPED_TRACE(testing::Message() << "X button " << press.xButton);
        fake.Button(press.xButton, true);
        ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
        for (int button = 0; button < 4; ++button) {
            EXPECT_EQ(state.rgbButtons[button], button == press.button ? 0x80 : 0) << button;
        }
        fake.Button(press.xButton, false);
        ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
        EXPECT_EQ(state.rgbButtons[press.button], 0);
    }
    // The wheel: X buttons 4 (away from the user) and 5, one notch each.
    for (unsigned button : {4u, 4u, 5u, 4u}) {
        fake.Button(button, true);
        fake.Button(button, false);
    }
    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.lZ, 240);
    EXPECT_EQ(state.rgbButtons[0], 0);
}

TEST_F(DirectInputTest, ScriptedMotionWheelAndButtonsAddToTheRealOnes) {
    FakeInput::MovePointerTo(50, 50);
    MakeAcquiredDevices();
    FakeInput::MovePointerTo(60, 50);
    platformtest::MoveMouse(5, -3);
    platformtest::MoveMouse(0, 0, 120);
    platformtest::PressMouseButton(1);
    platformtest::PressMouseButton(3);  // no such button: ignored

    DIMOUSESTATE state{};
    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.lX, 15);
    EXPECT_EQ(state.lY, -3);
    EXPECT_EQ(state.lZ, 120);
    EXPECT_EQ(state.rgbButtons[0], 0);
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    EXPECT_EQ(state.rgbButtons[3], 0);

    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.lX, 0) << "scripted motion is read once";
    EXPECT_EQ(state.lZ, 0);
    EXPECT_EQ(state.rgbButtons[1], 0x80) << "a scripted button stays down";
    platformtest::ReleaseMouseButton(1);
    ASSERT_EQ(ReadMouse(mouse_, &state), DI_OK);
    EXPECT_EQ(state.rgbButtons[1], 0);
}

}  // namespace
