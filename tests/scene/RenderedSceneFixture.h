// A hidden 640 x 480 window with the program's own renderer created on it, so that the camera
// and frustum tests read their matrices back from a real, current OpenGL context with the
// program's projection (90 degrees, near 0.1, far 10000).
#pragma once

#include <gtest/gtest.h>

#include "platform/OpenGL.h"
#include "platform/Testing.h"
#include "render/GLRenderer.h"

class RenderedSceneFixture : public ::testing::Test {
protected:
    static constexpr char const* kClassName = "SceneTest";

    void SetUp() override {
        PlatformTest::Reset();
        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        ASSERT_NE(RegisterClassA(&windowClass), 0);
        window = CreateWindowExA(0, kClassName, "scene", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr) << "the tests need an X display (DISPLAY)";
        ASSERT_TRUE(renderer.Create(window, GetModuleHandleA(nullptr), 640, 480, 32, false));
        // Every frame starts from the identity model-view, so the planes come out in world
        // space.
        renderer.BeginFrame();
    }

    void TearDown() override {
        renderer.Release();
        if (window != nullptr) DestroyWindow(window);
        UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
        PlatformTest::Reset();
    }

    HWND window = nullptr;
    GLRenderer renderer;
};
