// The real program on a desktop as users have it: a console whose reader
// stalls or goes away, a window destroyed from outside, a window manager that
// draws its own frame, keys pressed in another window, a display without GL.
// GoogleTest goes before Xlib, whose None macro clashes with it.
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "e2e/DisplayTest.h"
#include "e2e/Picture.h"
#include "e2e/PrivateDisplay.h"
#include "e2e/ProgramProcess.h"

using namespace std::chrono_literals;

namespace {

// The program started on a display (empty: the test command's), its window found.
struct Started {
    std::unique_ptr<ProgramProcess> program;
    Window window = 0;
};

Started StartOn(Display* display, const std::string& displayName = "") {
    Started started;
    std::map<std::string, std::string> environment;
    if (!displayName.empty()) environment["DISPLAY"] = displayName;
    started.program =
        std::make_unique<ProgramProcess>(VELMORA_BINARY, VELMORA_RUNTIME_DIR, environment);
    if (started.program->WaitForOutput(kStartUpLines, 20s)) {
        started.window = FindWindowByName(display, "Velmora", 10s);
    }
    return started;
}

// ---- The console's reader ------------------------------------------------------

enum class Ending { Term, Interrupt, HangUp, Close };
struct ReaderCase {
    const char* name;
    bool readerGone;  // else the reader stalls: the pipe is full and nobody reads
    Ending ending;
};
void PrintTo(const ReaderCase& reader, std::ostream* stream) {
    *stream << reader.name;
}

class ProgramConsoleTest : public DisplayTest, public ::testing::WithParamInterface<ReaderCase> {};

TEST_P(ProgramConsoleTest, EndsInOrderWhateverItsReaderDoes) {
    const ReaderCase& reader = GetParam();
    Started started = StartOn(display);
    ASSERT_NE(started.window, 0u) << started.program->Errors();
    ProgramProcess& program = *started.program;

    int output = program.TakeOutput();
    if (reader.readerGone) {
        close(output);
        EXPECT_EQ(program.WaitForExit(1s), -1) << "a reader gone does not end the program";
    } else {
        // Two pages of pipe, full within a second of frames: full once what
        // waits in it has stopped growing.
        fcntl(output, F_SETPIPE_SZ, 8192);
        int queued = 0;
        for (int unchanged = 0, i = 0; i < 200 && unchanged < 4; ++i) {
            std::this_thread::sleep_for(100ms);
            int before = queued;
            ioctl(output, FIONREAD, &queued);
            unchanged = queued == before && queued > 4096 ? unchanged + 1 : 0;
        }
        ASSERT_GT(queued, 4096) << "the pipe never filled";
    }
    switch (reader.ending) {
        case Ending::Term:
            program.Signal(SIGTERM);
            break;
        case Ending::Interrupt:
            program.Signal(SIGINT);
            break;
        case Ending::HangUp:
            program.Signal(SIGHUP);
            break;
        case Ending::Close:
            SendCloseRequest(display, started.window);
            break;
    }
    EXPECT_EQ(program.WaitForExit(2s), 1) << program.Errors();
    if (output >= 0 && !reader.readerGone) close(output);
}

INSTANTIATE_TEST_SUITE_P(Readers, ProgramConsoleTest,
                         ::testing::Values(ReaderCase{"StalledTerm", false, Ending::Term},
                                           ReaderCase{"StalledInterrupt", false, Ending::Interrupt},
                                           ReaderCase{"StalledHangUp", false, Ending::HangUp},
                                           ReaderCase{"StalledClose", false, Ending::Close},
                                           ReaderCase{"GoneTerm", true, Ending::Term}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The window ------------------------------------------------------------------

class ProgramDesktopTest : public DisplayTest {};

TEST_F(ProgramDesktopTest, AWindowDestroyedFromOutsideEndsItInOrder) {
    Started started = StartOn(display);
    ASSERT_NE(started.window, 0u) << started.program->Errors();
    ASSERT_TRUE(started.program->WaitForOutput("Combo \n", 10s));
    XDestroyWindow(display, started.window);
    XFlush(display);
    EXPECT_EQ(started.program->WaitForExit(5s), 1);
    EXPECT_EQ(started.program->Errors().find("X11:"), std::string::npos)
        << started.program->Errors();
}

// The window manager's frame around a client window: left, right, top, bottom.
std::vector<long> FrameExtents(Display* display, Window window) {
    Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> sides;
    if (XGetWindowProperty(display, window, extents, 0, 4, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        count == 4) {
        sides.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + 4);
    }
    if (data != nullptr) XFree(data);
    return sides;
}

// The whole window, frame included, as the desktop shows it.
Placement OuterPlacement(Display* display, Window window) {
    Placement client = PlacementOf(display, window);
    std::vector<long> frame = FrameExtents(display, window);
    if (frame.size() != 4) return client;
    return Placement{client.x - static_cast<int>(frame[0]), client.y - static_cast<int>(frame[2]),
                     client.width + static_cast<int>(frame[0] + frame[1]),
                     client.height + static_cast<int>(frame[2] + frame[3])};
}

bool WaitForOuterSize(Display* display, Window window, int width, int height) {
    for (int i = 0; i < 200; ++i) {
        Placement now = OuterPlacement(display, window);
        if (now.width == width && now.height == height) return true;
        std::this_thread::sleep_for(25ms);
    }
    return false;
}

void PressFullScreenChord(Display* display) {
    SendKey(display, XK_Alt_R, true);
    SendKey(display, XK_Return, true);
    std::this_thread::sleep_for(80ms);
    SendKey(display, XK_Return, false);
    SendKey(display, XK_Alt_R, false);
}

TEST(ProgramUnderWindowManager, Is640By480WithTheManagersFrameAlsoAfterFullScreen) {
    PrivateDisplay desktop(PrivateDisplay::Manager::Openbox);
    Display* display = desktop.Connection();
    ASSERT_NE(display, nullptr) << desktop.Problem();
    Started started = StartOn(display, desktop.Name());
    ASSERT_NE(started.window, 0u) << started.program->Errors();
    ASSERT_TRUE(WaitForOuterSize(display, started.window, 640, 480))
        << "client " << PlacementOf(display, started.window).width << " x "
        << PlacementOf(display, started.window).height;
    Placement windowed = OuterPlacement(display, started.window);
    EXPECT_EQ(windowed.x, 0);
    EXPECT_EQ(windowed.y, 0);
    std::vector<long> frame = FrameExtents(display, started.window);
    ASSERT_EQ(frame.size(), 4u);
    EXPECT_GT(frame[2], 0) << "openbox draws a title bar";

    ASSERT_TRUE(started.program->WaitForOutput("Combo \n", 10s));
    PressFullScreenChord(display);
    ASSERT_TRUE(WaitForOuterSize(display, started.window, 1024, 768));
    std::this_thread::sleep_for(300ms);
    PressFullScreenChord(display);
    ASSERT_TRUE(WaitForOuterSize(display, started.window, 640, 480));
    Placement back = OuterPlacement(display, started.window);
    EXPECT_EQ(back.x, windowed.x);
    EXPECT_EQ(back.y, windowed.y);

    started.program->Signal(SIGTERM);
    EXPECT_EQ(started.program->WaitForExit(20s), 1);
    EXPECT_EQ(started.program->Errors().find("Sanitizer"), std::string::npos)
        << started.program->Errors();
}

// ---- The keyboard and the focus ----------------------------------------------------

class ProgramFocusTest : public ::testing::TestWithParam<PrivateDisplay::Manager> {};
std::string NameOf(PrivateDisplay::Manager manager) {
    return manager == PrivateDisplay::Manager::Bare ? "Bare" : "Openbox";
}

void FocusAndWait(Display* display, Window window) {
    XRaiseWindow(display, window);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    std::this_thread::sleep_for(200ms);
}

TEST_P(ProgramFocusTest, KeysPressedOrLetGoOfInAnotherWindowDoNotReachIt) {
    PrivateDisplay desktop(GetParam());
    Display* display = desktop.Connection();
    ASSERT_NE(display, nullptr) << desktop.Problem();
    // Held keys repeat only as long as this test holds them, not on their own.
    XAutoRepeatOff(display);
    Started started = StartOn(display, desktop.Name());
    ASSERT_NE(started.window, 0u) << started.program->Errors();
    ProgramProcess& program = *started.program;
    ASSERT_TRUE(program.WaitForOutput("Combo \n", 10s));

    Window other =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 700, 100, 200, 200, 0, 0, 0);
    XSelectInput(display, other, KeyPressMask | KeyReleaseMask);
    XMapWindow(display, other);
    XSync(display, False);
    std::this_thread::sleep_for(300ms);

    // Escape held down to close another window, then the focus comes back.
    FocusAndWait(display, other);
    SendKey(display, XK_Escape, true);
    FocusAndWait(display, started.window);
    EXPECT_EQ(program.WaitForExit(700ms), -1) << "an Escape pressed elsewhere ended the program";
    SendKey(display, XK_Escape, false);

    // Left held in the program, let go of in the other window.
    Picture start = TakePicture(display, started.window);
    ASSERT_GT(start.lit, 2000);
    SendKey(display, XK_Left, true);
    for (int i = 0;
         i < 60 && std::abs(TakePicture(display, started.window).centreX - start.centreX) <= 10.0;
         ++i) {
        std::this_thread::sleep_for(50ms);
    }
    FocusAndWait(display, other);
    SendKey(display, XK_Left, false);
    FocusAndWait(display, started.window);
    Picture back = TakePicture(display, started.window);
    EXPECT_GT(back.centreX, start.centreX + 10.0) << "Left moved the camera";
    std::this_thread::sleep_for(700ms);
    Picture later = TakePicture(display, started.window);
    EXPECT_NEAR(later.centreX, back.centreX, 2.0) << "Left sticks";

    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(20s), 1) << program.Errors();
}

INSTANTIATE_TEST_SUITE_P(Desktops, ProgramFocusTest,
                         ::testing::Values(PrivateDisplay::Manager::Bare,
                                           PrivateDisplay::Manager::Openbox),
                         [](const auto& info) { return NameOf(info.param); });

// ---- A display without OpenGL ----------------------------------------------------------

TEST(ProgramWithoutOpenGL, FailsAtThePixelFormatWithItsMessage) {
    PrivateDisplay noGl(PrivateDisplay::Manager::Bare, {"-extension", "GLX"});
    ASSERT_NE(noGl.Connection(), nullptr) << noGl.Problem();
    ProgramProcess program(VELMORA_BINARY, VELMORA_RUNTIME_DIR, {{"DISPLAY", noGl.Name()}});
    EXPECT_EQ(program.WaitForExit(20s), 0);
    EXPECT_NE(program.Errors().find("[ERROR] Can't Find A Suitable PixelFormat."),
              std::string::npos)
        << program.Errors();
    EXPECT_EQ(program.Errors().find("Window Creation Error."), std::string::npos)
        << program.Errors();
}

}  // namespace
