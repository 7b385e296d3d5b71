// The real program on the X server: its window, its console lines, its frames
// and the orderly ways it ends.
// GoogleTest goes before Xlib, whose None macro clashes with it.
#include <gtest/gtest.h>

#include "e2e/ProgramProcess.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <csignal>
#include <memory>
#include <cstring>
#include <thread>

using namespace std::chrono_literals;

namespace {

const char kStartUpLines[] =
    "Graphics Initialized\nTiming Initialized\nInput Initialized\nFinished Intialization\n";

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
    // The start-up lines come first; then every frame writes its key-combination line.
    EXPECT_EQ(program->Output().rfind(kStartUpLines, 0), 0u) << program->Output();
    ASSERT_TRUE(program->WaitForOutput("Combo \n", 10s));

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

// Presses or releases a key on the X server, as the keyboard would.
void SendKey(Display* display, KeySym key, bool down) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), down ? True : False, CurrentTime);
    XFlush(display);
}

void TapKey(Display* display, KeySym key) {
    SendKey(display, key, true);
    std::this_thread::sleep_for(80ms);
    SendKey(display, key, false);
    std::this_thread::sleep_for(60ms);
}

// The window's size and its place on the screen.
struct Placement {
    int x = 0, y = 0, width = 0, height = 0;
};

Placement PlacementOf(Display* display, Window window) {
    Placement placement;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return placement;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &placement.x,
                          &placement.y, &child);
    placement.width = attributes.width;
    placement.height = attributes.height;
    return placement;
}

bool WaitForPlacement(Display* display, Window window, int width, int height) {
    for (int i = 0; i < 200; ++i) {
        Placement now = PlacementOf(display, window);
        if (now.width == width && now.height == height) return true;
        std::this_thread::sleep_for(25ms);
    }
    return false;
}

TEST_F(ProgramTest, EscapeEndsItWithExitCodeOne) {
    Start();
    ASSERT_TRUE(program->WaitForOutput("Combo \n", 10s));
    TapKey(display, XK_Escape);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
}

TEST_F(ProgramTest, RightAltEnterSwitchesToFullScreenAndBackToTheWindowAtItsPlace) {
    Start();
    ASSERT_TRUE(program->WaitForOutput("Combo \n", 10s));
    ASSERT_TRUE(WaitForPlacement(display, window, 640, 480));
    Placement windowed = PlacementOf(display, window);

    SendKey(display, XK_Alt_R, true);
    TapKey(display, XK_Return);
    SendKey(display, XK_Alt_R, false);
    int screenWidth = DisplayWidth(display, DefaultScreen(display));
    int screenHeight = DisplayHeight(display, DefaultScreen(display));
    ASSERT_TRUE(WaitForPlacement(display, window, screenWidth, screenHeight));
    Placement full = PlacementOf(display, window);
    EXPECT_EQ(full.x, 0);
    EXPECT_EQ(full.y, 0);

    std::this_thread::sleep_for(200ms);
    SendKey(display, XK_Alt_R, true);
    TapKey(display, XK_Return);
    SendKey(display, XK_Alt_R, false);
    ASSERT_TRUE(WaitForPlacement(display, window, 640, 480));
    Placement back = PlacementOf(display, window);
    EXPECT_EQ(back.x, windowed.x);
    EXPECT_EQ(back.y, windowed.y);

    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
}

TEST_F(ProgramTest, LeftRightLeftInQuickSuccessionCompletesTheCombo) {
    Start();
    ASSERT_TRUE(program->WaitForOutput("Combo \n", 10s));
    TapKey(display, XK_Left);
    TapKey(display, XK_Right);
    TapKey(display, XK_Left);
    std::this_thread::sleep_for(200ms);
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();

    const std::string& output = program->Output();
    size_t first = output.find("Combo 203 \n");
    ASSERT_NE(first, std::string::npos) << "the first Left is accepted";
    size_t second = output.find("Combo 203 205 \n", first);
    ASSERT_NE(second, std::string::npos) << "then Right";
    // The third key completes the sequence, which starts over empty; had it
    // failed, the last Left would have begun a new sequence instead.
    EXPECT_EQ(output.find("Combo 203 \n", second), std::string::npos) << output.substr(second, 400);
    EXPECT_NE(output.find("Combo \n", second), std::string::npos);
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
