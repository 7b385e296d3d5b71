// Real input devices on a real focused window, with the frame clock driven by
// hand at 1000 ticks per second: Frame(ms) is one pass of the main loop that
// starts ms milliseconds after the last (messages, clock tick, input update).
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/FrameTimer.h"
#include "input/InputManager.h"
#include "platform/Testing.h"
#include "support/CapturedStandardOutput.h"
#include "support/TestWindow.h"
#include "support/XInputLock.h"

class InputTestBase : public ::testing::Test {
protected:
    // Starts the clock and the devices on a window that has the focus.
    void Start(HWND window) {
        platformtest::SetPerformanceFrequency(1000);
        platformtest::SetPerformanceCounter(5000);  // a stopwatch started at 0 would look free
        ASSERT_TRUE(timer.Init());
        ASSERT_EQ(manager.Init(window, GetModuleHandleA(nullptr), &timer), 1);
    }
    int Frame(int milliseconds = 10) {
        PumpMessages();
        platformtest::AdvancePerformanceCounter(milliseconds);
        timer.Tick();
        return manager.Update();
    }
    // The key goes down (or up) and the next frame reads it.
    int Press(int key, int milliseconds = 10) {
        platformtest::PressKey(key);
        return Frame(milliseconds);
    }
    int Let(int key, int milliseconds = 10) {
        platformtest::ReleaseKey(key);
        return Frame(milliseconds);
    }

    FrameTimer timer;
    InputManager manager;
};

// On a test window of its own; there is no App, so theApp stays null.
class InputTest : public InputTestBase {
protected:
    void SetUp() override {
        platformtest::Reset();
        ASSERT_TRUE(window.Create(64, 64)) << "the tests need an X display (DISPLAY)";
        ASSERT_TRUE(window.ShowAndFocus());
        ASSERT_NO_FATAL_FAILURE(Start(window.Handle()));
    }
    void TearDown() override {
        manager.Release();
        window.Close();
        platformtest::Reset();
    }

    TestWindow window;
};

// On the window of a real App, which is theApp and whose console writes to
// the captured standard output.
class AppInputTest : public InputTestBase {
protected:
    void SetUp() override {
        platformtest::Reset();
        app = std::make_unique<App>();
        theApp = app.get();
        app->width = 640;
        app->height = 480;
        app->bits = 32;
        HoldXInputLock();
        ASSERT_TRUE(app->CreateMainWindow("Velmora", 640, 480, 32));
        ShowWindow(app->window, SW_SHOW);
        SetFocus(app->window);
        ASSERT_TRUE(PumpUntil([this] { return app->active; }));
        ASSERT_NO_FATAL_FAILURE(Start(app->window));
        app->console.Open();
    }
    void TearDown() override {
        manager.Release();
        app.reset();
        theApp = nullptr;
        platformtest::Reset();
    }

    CapturedStandardOutput output;
    std::unique_ptr<App> app;
};
