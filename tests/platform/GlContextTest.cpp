// Device contexts, pixel formats and WGL rendering contexts over GLX.
#include <string>

#include <gtest/gtest.h>

#include "platform/OpenGL.h"
#include "platform/Testing.h"
#include "tests/support/TestWindow.h"

namespace {

class GlContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformtest::Reset();
        ASSERT_NE(platformtest::XDisplayConnection(), nullptr)
            << "GL context tests need an X display: set DISPLAY (Xvfb)";
    }
    void TearDown() override {
        PumpMessages();
        platformtest::Reset();
    }
};

TEST_F(GlContextTest, RendererSequenceGivesWorkingContext) {
    TestWindow window;
    ASSERT_TRUE(window.Create(64, 48));
    HDC dc = GetDC(window.Handle());
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDC(window.Handle()), dc) << "a window owns one device context";

    PIXELFORMATDESCRIPTOR pfd = TestWindow::RendererPixelFormat();
    EXPECT_EQ(wglCreateContext(dc), nullptr) << "no pixel format set yet";
    int format = ChoosePixelFormat(dc, &pfd);
    ASSERT_EQ(format, 1);
    EXPECT_FALSE(SetPixelFormat(dc, 2, &pfd));
    ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
    EXPECT_TRUE(SetPixelFormat(dc, format, &pfd)) << "setting the same format again is fine";

    HGLRC context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    const GLubyte* renderer = glGetString(GL_RENDERER);
    ASSERT_NE(renderer, nullptr);
    EXPECT_FALSE(std::string(reinterpret_cast<const char*>(renderer)).empty());
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);

    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    std::array<uint8_t, 4> pixel = window.PixelAt(10, 10);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[2], 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(SwapBuffers(dc));

    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_FALSE(wglDeleteContext(context)) << "already deleted";
    EXPECT_EQ(ReleaseDC(window.Handle(), dc), 1);
}

TEST_F(GlContextTest, PixelFormatsTheVisualCannotGiveAreRefused) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    HDC dc = GetDC(window.Handle());
    ASSERT_NE(dc, nullptr);

    PIXELFORMATDESCRIPTOR noOpenGL = TestWindow::RendererPixelFormat();
    noOpenGL.dwFlags = PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER;
    EXPECT_EQ(ChoosePixelFormat(dc, &noOpenGL), 0);
    PIXELFORMATDESCRIPTOR colourIndex = TestWindow::RendererPixelFormat();
    colourIndex.iPixelType = PFD_TYPE_COLORINDEX;
    EXPECT_EQ(ChoosePixelFormat(dc, &colourIndex), 0);
    PIXELFORMATDESCRIPTOR deepDepth = TestWindow::RendererPixelFormat();
    deepDepth.cDepthBits = 64;
    EXPECT_EQ(ChoosePixelFormat(dc, &deepDepth), 0);
    EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);
}

TEST_F(GlContextTest, ForeignOrStaleHandlesFail) {
    TestWindow first;
    TestWindow second;
    ASSERT_TRUE(first.Open());
    ASSERT_TRUE(second.Create());
    HDC bogusDc = reinterpret_cast<HDC>(static_cast<uintptr_t>(0x5678));
    HGLRC bogusContext = reinterpret_cast<HGLRC>(static_cast<uintptr_t>(0x9abc));
    PIXELFORMATDESCRIPTOR pfd = TestWindow::RendererPixelFormat();

    EXPECT_EQ(GetDC(nullptr), nullptr);
    EXPECT_EQ(ReleaseDC(second.Handle(), first.DeviceContext()), 0) << "not that window's DC";
    EXPECT_EQ(ChoosePixelFormat(bogusDc, &pfd), 0);
    EXPECT_FALSE(SetPixelFormat(bogusDc, 1, &pfd));
    EXPECT_EQ(wglCreateContext(bogusDc), nullptr);
    EXPECT_FALSE(wglMakeCurrent(bogusDc, first.RenderContext()));
    EXPECT_FALSE(wglMakeCurrent(first.DeviceContext(), bogusContext));
    EXPECT_FALSE(wglDeleteContext(bogusContext));
    EXPECT_FALSE(SwapBuffers(bogusDc));
    HDC secondDc = GetDC(second.Handle());
    EXPECT_FALSE(wglMakeCurrent(secondDc, first.RenderContext())) << "no pixel format on that DC";
}

TEST_F(GlContextTest, DestroyingTheWindowReleasesItsCurrentContext) {
    TestWindow window;
    ASSERT_TRUE(window.Open());
    HGLRC context = window.RenderContext();
    HDC dc = window.DeviceContext();
    ASSERT_NE(glGetString(GL_VENDOR), nullptr);
    ASSERT_TRUE(DestroyWindow(window.Handle()));
    EXPECT_EQ(glGetString(GL_VENDOR), nullptr) << "no context is current any more";
    EXPECT_FALSE(SwapBuffers(dc)) << "the window's DC went with it";
    EXPECT_TRUE(wglDeleteContext(context)) << "the context itself lives on until deleted";
}

TEST_F(GlContextTest, ScriptedFailuresFailOneCallEach) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    PIXELFORMATDESCRIPTOR pfd = TestWindow::RendererPixelFormat();

    platformtest::FailNextCall("GetDC");
    EXPECT_EQ(GetDC(window.Handle()), nullptr);
    HDC dc = GetDC(window.Handle());
    ASSERT_NE(dc, nullptr);

    platformtest::FailNextCall("ChoosePixelFormat");
    EXPECT_EQ(ChoosePixelFormat(dc, &pfd), 0);
    ASSERT_EQ(ChoosePixelFormat(dc, &pfd), 1);

    platformtest::FailNextCall("SetPixelFormat");
    EXPECT_FALSE(SetPixelFormat(dc, 1, &pfd));
    ASSERT_TRUE(SetPixelFormat(dc, 1, &pfd));

    platformtest::FailNextCall("wglCreateContext");
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    HGLRC context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr);

    platformtest::FailNextCall("wglMakeCurrent");
    EXPECT_FALSE(wglMakeCurrent(dc, context));
    ASSERT_TRUE(wglMakeCurrent(dc, context));

    platformtest::FailNextCall("SwapBuffers");
    EXPECT_FALSE(SwapBuffers(dc));
    EXPECT_TRUE(SwapBuffers(dc));

    platformtest::FailNextCall("wglDeleteContext");
    EXPECT_FALSE(wglDeleteContext(context));
    EXPECT_TRUE(wglDeleteContext(context));

    platformtest::FailNextCall("ReleaseDC");
    EXPECT_EQ(ReleaseDC(window.Handle(), dc), 0);
    EXPECT_EQ(ReleaseDC(window.Handle(), dc), 1);
    EXPECT_EQ(platformtest::PendingFailures(), 0);
}

}  // namespace
