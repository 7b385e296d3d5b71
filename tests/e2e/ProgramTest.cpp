// The real program on the X server: its window, its console lines, its frames
// and the orderly ways it ends.
// GoogleTest goes before Xlib, whose None macro clashes with it.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "e2e/DisplayTest.h"
#include "e2e/Picture.h"
#include "e2e/ProgramProcess.h"

using namespace std::chrono_literals;

namespace {

class ProgramTest : public DisplayTest {
protected:
    // Starts the program and waits for its window and its start-up lines.
    void Start() {
        program = std::make_unique<ProgramProcess>(VELMORA_BINARY, VELMORA_RUNTIME_DIR);
        ASSERT_TRUE(program->Started());
        ASSERT_TRUE(program->WaitForOutput(kStartUpLines, 20s))
            << "output: " << program->Output() << "\nerrors: " << program->Errors();
        window = FindWindowByName(display, "Velmora", 10s);
        ASSERT_NE(window, 0u);
    }

    std::unique_ptr<ProgramProcess> program;
    Window window = 0;
};

TEST_F(ProgramTest, OpensItsWindowWritesItsLinesAndEndsOnTermWithExitCodeOne) {
    Start();
    // The start-up lines come first; then every frame writes its key-combination line.
    EXPECT_EQ(program->Output().rfind(kStartUpLines, 0), 0u) << program->Output();
    ASSERT_TRUE(program->WaitForOutput("Combo \n", 10s));

    // 640 x 480 is the outer size, frame included, at (0, 0), as on Windows: the
    // X window is the client area inside the frame (which nothing draws on Xvfb).
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display, window, &attributes));
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    EXPECT_GT(x, 0);
    EXPECT_GT(y, x) << "the caption lies above the client area";
    EXPECT_EQ(x + attributes.width + x, 640);
    EXPECT_EQ(y + attributes.height + x, 480);
    XClassHint hint;
    ASSERT_TRUE(XGetClassHint(display, window, &hint));
    EXPECT_STREQ(hint.res_class, "App");
    XFree(hint.res_name);
    XFree(hint.res_class);

    // Wait until it is on screen, then look at what it drew: the robot,
    // standing in the middle, lit, in its colours.
    for (int i = 0; i < 100 && attributes.map_state != IsViewable; ++i) {
        std::this_thread::sleep_for(50ms);
        XGetWindowAttributes(display, window, &attributes);
    }
    ASSERT_EQ(attributes.map_state, IsViewable);
    std::this_thread::sleep_for(500ms);
    Picture picture = TakePicture(display, window);
    ASSERT_NO_FATAL_FAILURE(ExpectTheRobotAsFirstShown(picture));

    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
    EXPECT_EQ(FindWindowByName(display, "Velmora", 0ms), 0u)
        << "the window is destroyed at teardown";
}

TEST_F(ProgramTest, CtrlCInTheTerminalEndsItInOrder) {
    Start();
    program->Signal(SIGINT);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
}

TEST_F(ProgramTest, TheDesktopClosingTheWindowEndsItInOrder) {
    Start();
    SendCloseRequest(display, window);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
}

void TapKey(Display* display, KeySym key) {
    SendKey(display, key, true);
    std::this_thread::sleep_for(80ms);
    SendKey(display, key, false);
    std::this_thread::sleep_for(60ms);
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
    ASSERT_TRUE(WaitForPlacement(display, window, windowed.width, windowed.height));
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

// Holds the key until the robot's middle has moved sideways by more than ten
// pixels (at most three seconds): how far a held key goes depends on the frame
// rate. The picture after the key is let go.
Picture HoldUntilMoved(Display* display, Window window, KeySym key, const Picture& from) {
    SendKey(display, key, true);
    for (int i = 0; i < 60; ++i) {
        std::this_thread::sleep_for(50ms);
        Picture now = TakePicture(display, window);
        if (now.lit > 0 && std::abs(now.centreX - from.centreX) > 10.0) break;
    }
    SendKey(display, key, false);
    std::this_thread::sleep_for(100ms);
    return TakePicture(display, window);
}

TEST_F(ProgramTest, HoldingLeftMovesTheRobotRightAndRightMovesItBack) {
    Start();
    std::this_thread::sleep_for(300ms);
    Picture start = TakePicture(display, window);
    ASSERT_GT(start.lit, 2000);

    Picture moved = HoldUntilMoved(display, window, XK_Left, start);
    ASSERT_GT(moved.lit, 0);
    EXPECT_GT(moved.centreX, start.centreX + 10.0)
        << "the camera slid left, so the robot moves right";

    Picture back = HoldUntilMoved(display, window, XK_Right, moved);
    ASSERT_GT(back.lit, 0);
    EXPECT_LT(back.centreX, moved.centreX - 10.0) << "and Right brings it back";

    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(20s), 1) << program->Errors();
}

TEST(ProgramWithoutDisplay, FailsStartUpClearlyWithExitCodeZero) {
    ProgramProcess program(VELMORA_BINARY, VELMORA_RUNTIME_DIR, {{"DISPLAY", ":4093"}});
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.WaitForExit(20s), 0);
    EXPECT_NE(program.Errors().find("cannot open display"), std::string::npos) << program.Errors();
    EXPECT_NE(program.Errors().find("Window Creation Error."), std::string::npos)
        << program.Errors();
    EXPECT_EQ(program.Output(), "Window Creation Failure.\n");
}

}  // namespace
