// The Windows build, velmora.exe, under Wine on the X server: Wine's own
// window management, WGL over Mesa, DirectInput 8 and C runtime instead of
// our Linux layer. tools/test-wine.sh runs these with the Wine environment
// set (WINEPREFIX and the rest) and VELMORA_WINE_RUNTIME_DIR naming the
// directory that holds velmora.exe with its Levels and Entities.
//
// Without a window manager Wine never moves the X keyboard focus itself, so
// the tests leave it to the pointer (PointerRoot) and put the pointer on the
// window that should have the keys, as a user would.
//
// Wine takes X events in the program's own thread, while it looks for
// messages, and hands keys to DirectInput from there: now and then a press and
// its release, 80 ms apart on the X server, reach DirectInput together between
// two reads of the keyboard, and the program never sees the key down (on
// Windows DirectInput's state follows the keys as they move). So keys whose
// effect can be seen are held until it shows, with the server's auto-repeat
// off so that a held key stays one press.
// GoogleTest goes before Xlib, whose None macro clashes with it.
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "e2e/Picture.h"
#include "e2e/ProgramProcess.h"

using namespace std::chrono_literals;

namespace {

const std::vector<std::string> kStartUpLineTexts = {"Graphics Initialized", "Timing Initialized",
                                                    "Input Initialized", "Finished Intialization"};

// What a terminal shows of the text: Wine's console sends cursor and erase
// sequences and ends lines with "\r\r\n" (text mode, then the terminal), and
// it drops blanks at the end of a line ("Combo " arrives as "Combo").
std::vector<std::string> TerminalLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\x1b' && i + 1 < text.size() && text[i + 1] == '[') {
            i += 2;
            while (i < text.size() && !(text[i] >= '@' && text[i] <= '~')) ++i;
        } else if (c == '\x1b' && i + 1 < text.size() && text[i + 1] == ']') {
            while (i < text.size() && text[i] != '\a') ++i;
        } else if (c == '\n') {
            lines.emplace_back();
        } else if (c != '\r') {
            lines.back() += c;
        }
    }
    for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
    return lines;
}

// Splits text at line feeds.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The index of the first line equal to `line` at or after `from`, or -1.
int FindLine(const std::vector<std::string>& lines, const std::string& line, int from = 0) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i) {
        if (lines[i] == line) return i;
    }
    return -1;
}

std::string Joined(const std::vector<std::string>& lines, int from = 0, int count = 40) {
    std::ostringstream out;
    for (int i = from; i < static_cast<int>(lines.size()) && i < from + count; ++i)
        out << lines[i] << '\n';
    return out.str();
}

bool IsOnScreen(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// Wine's windows come and go on their own: a window looked at just as it
// went away is a gone window, not a reason to end the test process.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

class WineProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* directory = std::getenv("VELMORA_WINE_RUNTIME_DIR");
        ASSERT_NE(directory, nullptr)
            << "tools/test-wine.sh runs these tests; it sets VELMORA_WINE_RUNTIME_DIR";
        runtimeDirectory = directory;
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "the Wine tests need an X display (DISPLAY)";
        XSetErrorHandler(IgnoreXError);
        // Earlier clients may have left the focus on a window of theirs.
        XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
        XAutoRepeatOff(display);
        XSync(display, False);
    }
    void TearDown() override {
        if (program != nullptr && program->WaitForExit(0ms) == -1) {
            program->Signal(SIGKILL);
            program->WaitForExit(10s);
        }
        if (display != nullptr) {
            XAutoRepeatOn(display);
            XCloseDisplay(display);
        }
    }

    // Starts velmora.exe from its runtime directory and waits for its window.
    void Start(ProgramProcess::Streams streams = ProgramProcess::Streams::Terminal) {
        program = std::make_unique<ProgramProcess>(std::vector<std::string>{"wine", "velmora.exe"},
                                                   runtimeDirectory,
                                                   std::map<std::string, std::string>{}, streams);
        ASSERT_TRUE(program->Started());
        window = FindWindowByName(display, "Velmora", 60s);
        ASSERT_NE(window, 0u) << "output: " << program->Output()
                              << "\nerrors: " << program->Errors();
        for (int i = 0; i < 200 && !IsOnScreen(display, window); ++i) Wait(50ms);
        ASSERT_TRUE(IsOnScreen(display, window));
        PointAt(window);
    }

    // Waits while the program's output is read, so that a full terminal never
    // holds the program up (it writes a line every frame).
    void Wait(std::chrono::milliseconds duration) {
        auto deadline = std::chrono::steady_clock::now() + duration;
        do {
            program->Output();
            std::this_thread::sleep_for(10ms);
        } while (std::chrono::steady_clock::now() < deadline);
    }

    // Waits until the terminal shows the given line; false on timeout.
    bool WaitForLine(const std::string& line, std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        do {
            if (FindLine(Lines(), line) >= 0) return true;
            Wait(50ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

    std::vector<std::string> Lines() { return TerminalLines(program->Output()); }

    // Moves the pointer to the middle of the window: with the focus following
    // the pointer, that window gets the keys.
    void PointAt(Window target) {
        Placement placement = PlacementOf(display, target);
        XTestFakeMotionEvent(display, DefaultScreen(display), placement.x + placement.width / 2,
                             placement.y + placement.height / 2, CurrentTime);
        XSync(display, False);
        Wait(100ms);
    }

    void TapKey(KeySym key) {
        SendKey(display, key, true);
        Wait(80ms);
        SendKey(display, key, false);
        Wait(60ms);
    }

    // Holds the key until the terminal shows the line (at most two seconds).
    bool HoldUntilLine(KeySym key, const std::string& line) {
        SendKey(display, key, true);
        bool shown = WaitForLine(line, 2s);
        SendKey(display, key, false);
        Wait(20ms);
        return shown;
    }

    // Holds Escape until the program has ended; its exit code.
    int EndWithEscape() {
        SendKey(display, XK_Escape, true);
        int exitCode = program->WaitForExit(30s);
        SendKey(display, XK_Escape, false);
        return exitCode;
    }

    // The window's picture once the robot is on it (at most ten seconds): the
    // first frames under a Wine just set up can come late.
    Picture WaitForRobot() {
        Picture picture = TakePicture(display, window);
        for (int i = 0; i < 200 && picture.lit <= 2000; ++i) {
            Wait(50ms);
            picture = TakePicture(display, window);
        }
        return picture;
    }

    // Holds the key until the robot's middle has moved sideways by more than
    // `distance` pixels (at most three seconds); the picture after release.
    Picture HoldUntilMoved(KeySym key, const Picture& from, double distance) {
        SendKey(display, key, true);
        for (int i = 0; i < 60; ++i) {
            Wait(50ms);
            Picture now = TakePicture(display, window);
            if (now.lit > 0 && std::abs(now.centreX - from.centreX) > distance) break;
        }
        SendKey(display, key, false);
        Wait(100ms);
        return TakePicture(display, window);
    }

    std::string runtimeDirectory;
    Display* display = nullptr;
    std::unique_ptr<ProgramProcess> program;
    Window window = 0;
};

TEST_F(WineProgramTest, StartsInAWindowDrawsTheRobotAndEscapeEndsItWithExitCodeOne) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // Started from a terminal, the terminal is its console: AllocConsole
    // fails and the lines appear there.
    ASSERT_TRUE(WaitForLine("Combo", 30s)) << Joined(Lines());
    std::vector<std::string> lines = Lines();
    int first = FindLine(lines, kStartUpLineTexts[0]);
    ASSERT_GE(first, 0) << Joined(lines);
    for (size_t i = 1; i < kStartUpLineTexts.size(); ++i) {
        EXPECT_EQ(lines[first + i], kStartUpLineTexts[i]) << Joined(lines, first);
    }
    EXPECT_EQ(FindLine(lines, "Combo"), first + 4) << Joined(lines, first);

    // 640 x 480 is the outer size, frame included, at (0, 0): the X window is
    // the client area inside Wine's frame (which nothing draws on Xvfb).
    Placement client = PlacementOf(display, window);
    EXPECT_GT(client.x, 0);
    EXPECT_GT(client.y, client.x) << "the caption lies above the client area";
    EXPECT_EQ(client.x + client.width + client.x, 640);
    EXPECT_EQ(client.y + client.height + client.x, 480);

    Picture picture = WaitForRobot();
    ASSERT_NO_FATAL_FAILURE(ExpectTheRobotAsFirstShown(picture));

    EXPECT_EQ(EndWithEscape(), 1) << Joined(Lines(), first);
    EXPECT_EQ(FindWindowByName(display, "Velmora", 0ms), 0u)
        << "the window is destroyed at teardown";
}

TEST_F(WineProgramTest, HoldingLeftMovesTheRobotRightAndRightMovesItBack) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitForLine("Combo", 30s)) << Joined(Lines());
    Picture start = WaitForRobot();
    ASSERT_GT(start.lit, 2000);

    Picture moved = HoldUntilMoved(XK_Left, start, 10.0);
    ASSERT_GT(moved.lit, 0);
    EXPECT_GT(moved.centreX, start.centreX + 10.0)
        << "the camera slid left, so the robot moves right";

    Picture back = HoldUntilMoved(XK_Right, moved, 10.0);
    ASSERT_GT(back.lit, 0);
    EXPECT_LT(back.centreX, moved.centreX - 10.0) << "and Right brings it back";

    EXPECT_EQ(EndWithEscape(), 1);
}

TEST_F(WineProgramTest, LeftRightLeftInQuickSuccessionCompletesTheCombo) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitForLine("Combo", 30s)) << Joined(Lines());
    // Each key is held until the console shows it taken, well within the 0.33 s
    // a step may take.
    ASSERT_TRUE(HoldUntilLine(XK_Left, "Combo 203")) << "the first Left is accepted";
    ASSERT_TRUE(HoldUntilLine(XK_Right, "Combo 203 205")) << "then Right";
    size_t before = Lines().size();
    SendKey(display, XK_Left, true);
    Wait(150ms);
    SendKey(display, XK_Left, false);
    Wait(400ms);
    EXPECT_EQ(EndWithEscape(), 1);

    // The third key completes the sequence, which starts over empty; had it
    // failed, the last Left would have begun a new sequence instead.
    std::vector<std::string> lines = Lines();
    int second = FindLine(lines, "Combo 203 205");
    ASSERT_GE(second, 0);
    EXPECT_EQ(FindLine(lines, "Combo 203", static_cast<int>(before)), -1) << Joined(lines, second);
    EXPECT_GE(FindLine(lines, "Combo", static_cast<int>(before)), 0);
}

// On the X server's own desktop Wine offers only the display modes the server
// has, and Xvfb has one, its own size: the 640 x 480 full-screen mode is
// refused, and the program asks whether to stay in its window.
class WineFullScreenTest : public WineProgramTest {
protected:
    // Waits (at most 20 seconds) for the message box with this caption to show.
    Window WaitForBox(const char* caption) {
        for (int i = 0; i < 400; ++i) {
            Window box = FindWindowByName(display, caption, 0ms);
            if (box != 0 && IsOnScreen(display, box)) return box;
            Wait(50ms);
        }
        return 0;
    }
    // Holds right Alt + Enter until the program asks whether to stay in its
    // window, then lets go and points at the question; its window, or 0.
    Window RightAltEnterUntilAsked() {
        SendKey(display, XK_Alt_R, true);
        SendKey(display, XK_Return, true);
        Window box = WaitForBox("App");
        SendKey(display, XK_Return, false);
        SendKey(display, XK_Alt_R, false);
        if (box != 0) PointAt(box);
        return box;
    }
    // Presses the key in the box and waits until the box is gone.
    bool Answer(Window box, KeySym key) {
        TapKey(key);
        for (int i = 0; i < 100 && IsOnScreen(display, box); ++i) Wait(50ms);
        return !IsOnScreen(display, box);
    }
};

TEST_F(WineFullScreenTest, RefusedModeAnsweredYesKeepsTheWindowWhereItWas) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitForLine("Combo", 30s)) << Joined(Lines());
    Placement windowed = PlacementOf(display, window);

    Window box = RightAltEnterUntilAsked();
    ASSERT_NE(box, 0u) << "the question: use windowed mode instead?";
    ASSERT_TRUE(Answer(box, XK_Return));  // Yes is the default button

    Placement after = PlacementOf(display, window);
    EXPECT_EQ(after.x, windowed.x);
    EXPECT_EQ(after.y, windowed.y);
    EXPECT_EQ(after.width, windowed.width);
    EXPECT_EQ(after.height, windowed.height);

    // It runs on with its keys: asked again, then ended by Escape.
    PointAt(window);
    box = RightAltEnterUntilAsked();
    ASSERT_NE(box, 0u) << "the next right Alt + Enter tries full screen anew";
    ASSERT_TRUE(Answer(box, XK_Return));
    PointAt(window);
    EXPECT_EQ(EndWithEscape(), 1);
}

TEST_F(WineFullScreenTest, RefusedModeAnsweredNoEndsTheProgramInOrder) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitForLine("Combo", 30s)) << Joined(Lines());
    Window box = RightAltEnterUntilAsked();
    ASSERT_NE(box, 0u);
    TapKey(XK_Tab);  // from Yes to No
    ASSERT_TRUE(Answer(box, XK_Return));
    box = WaitForBox("ERROR");
    ASSERT_NE(box, 0u) << "Program Will Now Close.";
    PointAt(box);
    ASSERT_TRUE(Answer(box, XK_Return));
    EXPECT_EQ(program->WaitForExit(30s), 1);
}

// In a virtual desktop of its own Wine offers the usual display modes up to
// the desktop's size and changes the mode by resizing the desktop: there the
// program's full screen can be seen as on Windows.
TEST_F(WineFullScreenTest, InAVirtualDesktopTheModeChangesAndComesBack) {
    program = std::make_unique<ProgramProcess>(
        std::vector<std::string>{"wine", "explorer", "/desktop=velmora-test,1024x768",
                                 "velmora.exe"},
        runtimeDirectory, std::map<std::string, std::string>{}, ProgramProcess::Streams::Terminal);
    ASSERT_TRUE(program->Started());
    window = FindWindowByName(display, "Velmora", 60s);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(WaitForLine("Combo", 30s)) << Joined(Lines());
    Window root = 0, desktop = 0, *children = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(display, window, &root, &desktop, &children, &count));
    if (children != nullptr) XFree(children);
    Placement windowed = PlacementOf(display, window);
    EXPECT_EQ(PlacementOf(display, desktop).width, 1024);
    PointAt(window);

    auto desktopIs = [&](int width, int height) {
        Placement now = PlacementOf(display, desktop);
        return now.width == width && now.height == height;
    };
    // Holds right Alt + Enter until the desktop has the size (ten seconds at most).
    auto rightAltEnterUntil = [&](int width, int height) {
        SendKey(display, XK_Alt_R, true);
        SendKey(display, XK_Return, true);
        for (int i = 0; i < 200 && !desktopIs(width, height); ++i) Wait(50ms);
        SendKey(display, XK_Return, false);
        SendKey(display, XK_Alt_R, false);
        Wait(500ms);
        return desktopIs(width, height);
    };

    ASSERT_TRUE(rightAltEnterUntil(640, 480)) << "the display is 640 x 480 now";
    // The popup covers the display; its one-pixel border lies outside.
    Placement full = PlacementOf(display, window);
    EXPECT_EQ(full.x, -1);
    EXPECT_EQ(full.y, -1);
    EXPECT_EQ(full.width, 642);
    EXPECT_EQ(full.height, 482);

    ASSERT_TRUE(rightAltEnterUntil(1024, 768)) << "back to the desktop's own mode";
    Placement back = PlacementOf(display, window);
    EXPECT_EQ(back.x, windowed.x);
    EXPECT_EQ(back.y, windowed.y);
    EXPECT_EQ(back.width, windowed.width);
    EXPECT_EQ(back.height, windowed.height);

    // Wine's explorer, not the program, gives the exit code here.
    EXPECT_NE(EndWithEscape(), -1);
}

// Started from the desktop (its output on a pipe, no terminal), AllocConsole
// opens a console window of its own, and the lines go there, not to the pipe.
// consoletext.exe (VELMORA_WINE_CONSOLE_TEXT) reads that console.
TEST_F(WineProgramTest, StartedWithoutATerminalItWritesToAConsoleOfItsOwn) {
    const char* reader = std::getenv("VELMORA_WINE_CONSOLE_TEXT");
    ASSERT_NE(reader, nullptr) << "tools/test-wine.sh sets VELMORA_WINE_CONSOLE_TEXT";
    ASSERT_NO_FATAL_FAILURE(Start(ProgramProcess::Streams::Pipes));

    std::vector<std::string> lines;
    for (int attempt = 0; attempt < 20 && FindLine(lines, "Combo") < 0; ++attempt) {
        ProgramProcess console({"wine", reader, "velmora.exe"}, runtimeDirectory, {},
                               ProgramProcess::Streams::Pipes);
        ASSERT_EQ(console.WaitForExit(30s), 0) << console.Errors();
        lines = SplitLines(console.Output());
        if (FindLine(lines, "Combo") < 0) Wait(500ms);
    }
    ASSERT_GE(lines.size(), 5u) << Joined(lines);
    for (size_t i = 0; i < kStartUpLineTexts.size(); ++i)
        EXPECT_EQ(lines[i], kStartUpLineTexts[i]) << Joined(lines);
    EXPECT_EQ(lines[4], "Combo")
        << "the blank after the word is not told from the empty rest of the row";
    EXPECT_EQ(program->Output(), "") << "nothing reaches the standard output it was started with";

    // The console window lies over the program's window; the desktop closes the program.
    SendCloseRequest(display, window);
    EXPECT_EQ(program->WaitForExit(30s), 1);
}

TEST_F(WineProgramTest, TheDesktopClosingTheWindowEndsItInOrder) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitForLine("Combo", 30s)) << Joined(Lines());
    SendCloseRequest(display, window);
    EXPECT_EQ(program->WaitForExit(30s), 1);
}

}  // namespace
