// The real program on the X server: its window, its console lines, its frames
// and the orderly ways it ends.
// GoogleTest goes before Xlib, whose None macro clashes with it.
#include <gtest/gtest.h>

#include "e2e/ProgramProcess.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <memory>
#include <cstring>
#include <thread>

using namespace std::chrono_literals;

namespace {

const char kStartUpLines[] = "Graphics Initialized\nTiming Initialized\nFinished Intialization\n";

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "the end-to-end tests need an X display (DISPLAY)";
    }
    void TearDown() override {
        if (display != nullptr) XCloseDisplay(display);
    }

    // Starts the program and waits for its window and its start-up lines.
    void Start() {
        program = std::make_unique<ProgramProcess>(VELMORA_BINARY, VELMORA_RUNTIME_DIR);
        ASSERT_TRUE(program->Started());
        ASSERT_TRUE(program->WaitForOutput(kStartUpLines, 20s))
            << "output: " << program->Output() << "\nerrors: " << program->Errors();
        window = FindWindowByName(display, "Velmora", 10s);
        ASSERT_NE(window, 0u);
    }

    Display* display = nullptr;
    std::unique_ptr<ProgramProcess> program;
    Window window = 0;
};

TEST_F(ProgramTest, OpensItsWindowWritesItsLinesAndEndsOnTermWithExitCodeOne) {
    Start();
    EXPECT_EQ(program->Output(), kStartUpLines);

    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display, window, &attributes));
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, 480);
    XClassHint hint;
    ASSERT_TRUE(XGetClassHint(display, window, &hint));
    EXPECT_STREQ(hint.res_class, "App");
    XFree(hint.res_name);
    XFree(hint.res_class);

    // Wait until it is on screen, then look at what it drew.
    for (int i = 0; i < 100 && attributes.map_state != IsViewable; ++i) {
        std::this_thread::sleep_for(50ms);
        XGetWindowAttributes(display, window, &attributes);
    }
    ASSERT_EQ(attributes.map_state, IsViewable);
    std::this_thread::sleep_for(500ms);
    XImage* image = XGetImage(display, window, 0, 0, 640, 480, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    int lit = 0;
    for (int y = 0; y < 480; y += 8) {
        for (int x = 0; x < 640; x += 8) {
            if ((XGetPixel(image, x, y) & 0xFFFFFF) != 0) ++lit;
        }
    }
    XDestroyImage(image);
    EXPECT_EQ(lit, 0) << "the frame is cleared to black";

    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
    EXPECT_EQ(FindWindowByName(display, "Velmora", 0ms), 0u) << "the window is destroyed at teardown";
}

TEST_F(ProgramTest, CtrlCInTheTerminalEndsItInOrder) {
    Start();
    program->Signal(SIGINT);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
}

TEST_F(ProgramTest, TheDesktopClosingTheWindowEndsItInOrder) {
    Start();
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
}

TEST(ProgramWithoutDisplay, FailsStartUpClearlyWithExitCodeZero) {
    ProgramProcess program(VELMORA_BINARY, VELMORA_RUNTIME_DIR, {{"DISPLAY", ":4093"}});
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.WaitForExit(20s), 0);
    EXPECT_NE(program.Errors().find("cannot open display"), std::string::npos) << program.Errors();
    EXPECT_NE(program.Errors().find("Window Creation Error."), std::string::npos) << program.Errors();
    EXPECT_EQ(program.Output(), "Window Creation Failure.\n");
}

}  // namespace
