// A hidden 640 x 480 window with the program's own renderer created on it, so that the camera
// and frustum tests read their matrices back from a real, current OpenGL context with the
// program's projection (90 degrees, near 0.1, far 10000).
#pragma once

#include <gtest/gtest.h>

#include "platform/OpenGL.h"
#include "render/GLRenderer.h"
#include "support/TestPlatform.h"
#include "support/TestWindow.h"

class RenderedSceneFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPlatformForTest();
        ASSERT_TRUE(testWindow.Create(640, 480)) << "the tests need an X display (DISPLAY)";
        window = testWindow.Handle();
        ASSERT_TRUE(renderer.Create(window, GetModuleHandleA(nullptr), 640, 480, 32, false));
        // Every frame starts from the identity model-view, so the planes come out in world
        // space.
        renderer.BeginFrame();
    }

    void TearDown() override {
        renderer.Release();
        testWindow.Close();
        ResetPlatformForTest();
    }

    TestWindow testWindow;
    HWND window = nullptr;
    GLRenderer renderer;
};
