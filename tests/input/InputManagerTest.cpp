// The input manager's bindings and what happens to them when a device is lost.
#include "input/Binding.h"
#include "input/BindingList.h"
#include "input/InputManager.h"
#include "input/KeyTrigger.h"
#include "input/QuitCommand.h"
#include "InputFixture.h"

namespace {

using InputManagerTest = InputTest;

Binding* QuitOn(int key, bool* quit) {
    auto* binding = new Binding();
    binding->Set(new KeyTrigger(key), new QuitCommand(quit));
    return binding;
}

TEST_F(InputManagerTest, ALostKeyboardTakenBackKeepsItsBufferAndTheBindingsRun) {
    bool quit = false;
    ASSERT_EQ(manager.AddBinding(QuitOn(DIK_ESCAPE, &quit)), 1);
    Press(DIK_ESCAPE);
    EXPECT_TRUE(quit);
    quit = false;
    Let(DIK_ESCAPE);
    EXPECT_FALSE(quit);

    // This update's buffer is the one that saw Escape down two updates ago;
    // it is neither read again nor cleared.
    platformtest::LoseKeyboardInput();
    EXPECT_EQ(Frame(), 1);
    EXPECT_TRUE(quit);
    Frame();
    EXPECT_EQ(manager.KeyDown(DIK_ESCAPE), 0);
}

TEST_F(InputManagerTest, ALostDeviceThatCannotBeTakenBackSkipsTheBindings) {
    bool quit = false;
    manager.AddBinding(QuitOn(DIK_ESCAPE, &quit));
    platformtest::PressKey(DIK_ESCAPE);
    platformtest::LoseKeyboardInput();
    platformtest::FailNextCall("Acquire");
    EXPECT_EQ(Frame(), 0);
    EXPECT_FALSE(quit);

    EXPECT_EQ(manager.AcquireDevices(), 1);  // the window is activated again
    platformtest::LoseMouseInput();
    platformtest::FailNextCall("Acquire");
    EXPECT_EQ(Frame(), 0);
    EXPECT_FALSE(quit);

    manager.AcquireDevices();
    EXPECT_EQ(Frame(), 1);
    EXPECT_TRUE(quit);
}

TEST_F(InputManagerTest, BindingsAreAddedInOrderAndRemovedOnlyWhenListed) {
    EXPECT_EQ(manager.AddBindings(nullptr, 0), 1);
    EXPECT_TRUE(manager.bindings->entries.empty());
    bool first = false;
    bool second = false;
    Binding* list[] = {QuitOn(DIK_A, &first), QuitOn(DIK_B, &second)};
    EXPECT_EQ(manager.AddBindings(list, 2), 1);
    ASSERT_EQ(manager.bindings->entries.size(), 2u);
    EXPECT_EQ(list[1]->command->timer, &timer);

    Binding stranger;
    manager.RemoveBinding(&stranger);
    EXPECT_EQ(manager.bindings->entries.size(), 2u);
    manager.RemoveBinding(list[0]);
    platformtest::PressKey(DIK_A);
    Press(DIK_B);
    EXPECT_FALSE(first);
    EXPECT_TRUE(second);
}

}  // namespace
