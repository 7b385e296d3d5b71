// The keyboard and mouse state read through the platform's DirectInput devices:
// keys and buttons go down and up at the device level between updates.
#include <string>
#include <vector>

#include "input/InputDevice.h"
#include "InputFixture.h"

namespace {

using InputDeviceTest = InputTest;

TEST_F(InputDeviceTest, AHeldKeyIsPressedInItsFirstUpdateOnlyAndReleasedInTheFirstAfter) {
    for (int key = 0; key < InputDevice::kKeyCount; ++key) {
        ASSERT_FALSE(manager.KeyDown(key) || manager.KeyPressed(key) || manager.KeyReleased(key))
            << key;
    }
    // Per update: down, pressed, released, any key down.
    std::vector<std::string> seen;
    auto record = [&] {
        seen.push_back(std::to_string(manager.KeyDown(DIK_ESCAPE)) +
                       std::to_string(manager.KeyPressed(DIK_ESCAPE)) +
                       std::to_string(manager.KeyReleased(DIK_ESCAPE)) +
                       std::to_string(manager.AnyKeyDown()));
    };
    Press(DIK_ESCAPE), record();
    Frame(), record();
    Frame(), record();
    Let(DIK_ESCAPE), record();
    Frame(), record();
    EXPECT_EQ(seen, (std::vector<std::string>{"1101", "1001", "1001", "0010", "0000"}));
}

TEST_F(InputDeviceTest, CodesOutsideTheirRangesReadAsUpAndStill) {
    // Escape down in both buffers: a code 256 below or above it would land on
    // its byte in the other buffer.
    Press(DIK_ESCAPE);
    Frame();
    for (int key : {DIK_ESCAPE - 256, DIK_ESCAPE + 256, -1, 256, 100000}) {
        EXPECT_EQ(manager.KeyDown(key) + manager.KeyPressed(key) + manager.KeyReleased(key), 0)
            << key;
        EXPECT_EQ(manager.KeyUp(key), 1) << key;
    }

    for (int button = 0; button < 3; ++button) platformtest::PressMouseButton(button);
    platformtest::MoveMouse(5, 6, 7);
    Frame();
    for (int index : {-1, 3}) {
        EXPECT_EQ(manager.MouseAxis(index), 0.0f) << index;
        EXPECT_EQ(manager.MouseButtonUp(index), 1) << index;
        EXPECT_EQ(manager.MouseButtonDown(index) + manager.MouseButtonPressed(index) +
                      manager.MouseButtonReleased(index),
                  0)
            << index;
    }
}

TEST_F(InputDeviceTest, MouseYIsNegatedUnlessInvertedAndADownButtonReadsItsRawByte) {
    platformtest::MoveMouse(3, -4, 2);  // away from the user, wheel forward
    Frame();
    EXPECT_EQ(manager.MouseAxis(0), 3.0f);
    EXPECT_EQ(manager.MouseAxis(1), 4.0f);
    EXPECT_EQ(manager.MouseAxis(2), 2.0f);
    EXPECT_EQ(manager.AnyMouseMotion(), 1);
    Frame();
    EXPECT_EQ(manager.AnyMouseMotion(), 0);
    manager.ToggleInvertMouseY();
    platformtest::MoveMouse(0, -4);
    Frame();
    EXPECT_EQ(manager.MouseAxis(1), -4.0f);

    platformtest::PressMouseButton(1);
    Frame();
    EXPECT_EQ(manager.mouseButtons[manager.current].y, 128.0f);
    EXPECT_EQ(manager.MouseButtonPressed(1), 1);
    Frame();
    EXPECT_EQ(manager.MouseButtonPressed(1), 0);
    platformtest::ReleaseMouseButton(1);
    Frame();
    EXPECT_EQ(manager.MouseButtonReleased(1), 1);
    EXPECT_EQ(manager.AnyMouseButtonDown(), 0);
}

TEST_F(InputDeviceTest, DevicesThatCannotBeTakenYetAreMadeAndTakenOnActivation) {
    TestWindow background;  // the fixture's window keeps the focus
    ASSERT_TRUE(background.Create(32, 32));
    InputDevice device;
    ASSERT_EQ(device.Init(background.Handle(), GetModuleHandleA(nullptr)), 1);
    EXPECT_EQ(device.lastResult, DIERR_OTHERAPPHASPRIO);
    platformtest::PressKey(DIK_SPACE);
    EXPECT_EQ(device.Update(), 1);  // not acquired: nothing read, nothing lost
    EXPECT_EQ(device.KeyDown(DIK_SPACE), 0);
    ASSERT_TRUE(background.ShowAndFocus());
    EXPECT_EQ(device.AcquireDevices(), 1);
    device.Update();
    EXPECT_EQ(device.KeyDown(DIK_SPACE), 1);
}

TEST_F(InputDeviceTest, AnyFailureDuringInitReleasesEverythingMade) {
    for (const char* call :
         {"DirectInput8Create", "CreateDevice", "SetDataFormat", "SetCooperativeLevel"}) {
        SCOPED_TRACE(call);
        InputManager failing;
        platformtest::FailNextCall(call);
        EXPECT_EQ(failing.Init(window.Handle(), GetModuleHandleA(nullptr), &timer), 0);
        EXPECT_EQ(platformtest::PendingFailures(), 0);
        EXPECT_TRUE(failing.directInput == nullptr && failing.keyboard == nullptr &&
                    failing.mouse == nullptr && failing.bindings == nullptr);
        // Nothing to read, take or bind, but no crash either.
        EXPECT_EQ(failing.Update() + failing.AcquireDevices(), 0);
        Binding* none = nullptr;
        EXPECT_EQ(failing.AddBinding(none), 0);
    }

    // The mouse comes second: when it fails, the keyboard goes too.
    InputDevice device;
    ASSERT_EQ(device.Init(window.Handle(), GetModuleHandleA(nullptr)), 1);
    device.mouse->Release();
    device.mouse = nullptr;
    EXPECT_EQ(device.AcquireDevices(), 0);
    platformtest::FailNextCall("SetCooperativeLevel");
    EXPECT_EQ(device.CreateMouse(), 0);
    EXPECT_TRUE(device.directInput == nullptr && device.keyboard == nullptr &&
                device.mouse == nullptr);
}

}  // namespace
