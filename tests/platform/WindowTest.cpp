// Window classes, windows and their placement, checked against the X server.
// GoogleTest comes before Xlib: Xlib's macros (None, Bool) break its templates.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/Testing.h"
#include "platform/Win32.h"
#include "tests/support/TestWindow.h"

namespace {

Display* XDisplay() {
    return static_cast<Display*>(platformtest::XDisplayConnection());
}

Window XWindow(HWND window) {
    return platformtest::XWindowOf(window);
}

LRESULT CALLBACK DefaultProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSA ClassNamed(const char* name, WNDPROC procedure = DefaultProcedure) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    return windowClass;
}

HWND CreatePlainWindow(const char* className, DWORD style = WS_OVERLAPPEDWINDOW) {
    return CreateWindowExA(0, className, "plain", style, 0, 0, 100, 80, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

int MapState(HWND window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(XDisplay(), XWindow(window), &attributes);
    return attributes.map_state;
}

// The decorations field of the window's Motif hints, or -1 when there are none.
long MotifDecorations(HWND window) {
    Atom hintsAtom = XInternAtom(XDisplay(), "_MOTIF_WM_HINTS", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    long decorations = -1;
    if (XGetWindowProperty(XDisplay(), XWindow(window), hintsAtom, 0, 5, False, AnyPropertyType,
                           &type, &format, &count, &remaining, &data) == Success &&
        data != nullptr && format == 32 && count >= 3) {
        decorations = reinterpret_cast<long*>(data)[2];
    }
    if (data != nullptr) XFree(data);
    return decorations;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformtest::Reset();
        ASSERT_NE(XDisplay(), nullptr) << "window tests need an X display: set DISPLAY (Xvfb)";
    }
    void TearDown() override {
        PumpMessages();
        platformtest::Reset();
    }
};

TEST_F(WindowTest, ClassTableRefusesDuplicatesAndBadClasses) {
    WNDCLASSA windowClass = ClassNamed("WindowTestClass");
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    EXPECT_EQ(RegisterClassA(&windowClass), 0) << "duplicate name";
    WNDCLASSA otherCase = ClassNamed("WINDOWTESTCLASS");
    EXPECT_EQ(RegisterClassA(&otherCase), 0) << "class names ignore case";

    EXPECT_EQ(RegisterClassA(nullptr), 0);
    WNDCLASSA noName = ClassNamed(nullptr);
    EXPECT_EQ(RegisterClassA(&noName), 0);
    WNDCLASSA noProcedure = ClassNamed("NoProcedure", nullptr);
    EXPECT_EQ(RegisterClassA(&noProcedure), 0);

    EXPECT_TRUE(UnregisterClassA("windowtestclass", GetModuleHandleA(nullptr)));
    EXPECT_FALSE(UnregisterClassA("WindowTestClass", GetModuleHandleA(nullptr))) << "already gone";
    EXPECT_FALSE(UnregisterClassA(nullptr, GetModuleHandleA(nullptr)));
    EXPECT_NE(RegisterClassA(&windowClass), 0) << "the name is free again";
    EXPECT_TRUE(UnregisterClassA("WindowTestClass", GetModuleHandleA(nullptr)));
}

TEST_F(WindowTest, WindowsNeedTheirClassAndKeepItAlive) {
    EXPECT_EQ(CreatePlainWindow("LiveClass"), nullptr) << "not registered yet";
    EXPECT_EQ(CreatePlainWindow(nullptr), nullptr);
    WNDCLASSA windowClass = ClassNamed("LiveClass");
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND window = CreatePlainWindow("LiveClass");
    ASSERT_NE(window, nullptr);

    EXPECT_FALSE(UnregisterClassA("LiveClass", GetModuleHandleA(nullptr)));
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(window)) << "unknown handle";
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_TRUE(UnregisterClassA("LiveClass", GetModuleHandleA(nullptr)));
}

// As Windows does with a top-level window: one made visible hears its client
// size inside CreateWindowExA, one made hidden when it is first shown.
TEST_F(WindowTest, AWindowHearsItsClientSizeWhenFirstShown) {
    TestWindow visible;
    ASSERT_TRUE(visible.Create(320, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    // Nothing was pumped: whatever the procedure saw, it saw inside CreateWindowExA.
    std::vector<ReceivedMessage> messages = visible.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(messages[0].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(LOWORD(messages[0].lParam), 320);
    EXPECT_EQ(HIWORD(messages[0].lParam), 200);

    TestWindow hidden;
    ASSERT_TRUE(hidden.Create(300, 100));
    EXPECT_EQ(hidden.CountOf(WM_SIZE), 0);
    ShowWindow(hidden.Handle(), SW_SHOW);
    ASSERT_EQ(hidden.MessageIds(), (std::vector<UINT>{WM_SIZE}));
    EXPECT_EQ(hidden.Messages()[0].lParam, MAKELPARAM(300, 100));
    ShowWindow(hidden.Handle(), SW_HIDE);
    ShowWindow(hidden.Handle(), SW_SHOW);
    EXPECT_EQ(hidden.CountOf(WM_SIZE), 1) << "once";
}

// As on Windows (in its classic look, the one Wine draws): the size given is the
// whole window, and the client area, the X window, lies inside the frame the
// style gives. The program's 640 x 480 window has a client area of 632 x 453.
TEST_F(WindowTest, TheSizeGivenIsTheWholeWindowWithItsFrame) {
    WNDCLASSA windowClass = ClassNamed("FramedClass");
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND window = CreateWindowExA(0, "FramedClass", "framed", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowRectOf(window), (RECT{0, 0, 640, 480}));
    EXPECT_EQ(ClientRectOf(window), (RECT{0, 0, 632, 453}));
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(XDisplay(), XWindow(window), DefaultRootWindow(XDisplay()), 0, 0, &x, &y,
                          &child);
    EXPECT_EQ(x, 4) << "the sizing frame";
    EXPECT_EQ(y, 23) << "the sizing frame and the caption";
    DestroyWindow(window);
    UnregisterClassA("FramedClass", GetModuleHandleA(nullptr));

    RECT framed{0, 0, 632, 453};
    ASSERT_TRUE(AdjustWindowRectEx(&framed, WS_OVERLAPPEDWINDOW, FALSE, 0));
    EXPECT_EQ(framed, (RECT{-4, -23, 636, 457}));
    RECT bordered{0, 0, 640, 480};
    AdjustWindowRectEx(&bordered, WS_POPUP | WS_BORDER, FALSE, 0);
    EXPECT_EQ(bordered, (RECT{-1, -1, 641, 481}));
    RECT bare{0, 0, 640, 480};
    AdjustWindowRectEx(&bare, WS_POPUP, FALSE, 0);
    EXPECT_EQ(bare, (RECT{0, 0, 640, 480}));
}

TEST_F(WindowTest, XWindowHasTitleClassSizeAndCloseProtocol) {
    TestWindow window;
    ASSERT_TRUE(window.Create(320, 200, WS_OVERLAPPEDWINDOW, 15, 25));
    Window xwindow = XWindow(window.Handle());
    ASSERT_NE(xwindow, 0u);

    char* title = nullptr;
    ASSERT_TRUE(XFetchName(XDisplay(), xwindow, &title));
    EXPECT_STREQ(title, "Velmora test");
    XFree(title);

    XClassHint classHint{};
    ASSERT_TRUE(XGetClassHint(XDisplay(), xwindow, &classHint));
    EXPECT_STREQ(classHint.res_class, TestWindow::kClassName);
    XFree(classHint.res_name);
    XFree(classHint.res_class);

    Atom* protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(XDisplay(), xwindow, &protocols, &count));
    Atom deleteWindow = XInternAtom(XDisplay(), "WM_DELETE_WINDOW", False);
    EXPECT_NE(std::find(protocols, protocols + count, deleteWindow), protocols + count);
    XFree(protocols);

    // A client area of 320 x 200 in the frame: 4 pixels at the sides and below, 23 above.
    EXPECT_EQ(WindowRectOf(window.Handle()), (RECT{15, 25, 343, 252}));
    EXPECT_EQ(ClientRectOf(window.Handle()), (RECT{0, 0, 320, 200}));
    EXPECT_EQ(MapState(window.Handle()), IsUnmapped) << "not visible without WS_VISIBLE";
}

TEST_F(WindowTest, DegenerateSizeGivesSmallestWindow) {
    TestWindow window;
    ASSERT_TRUE(window.Create(0, -20));
    EXPECT_EQ(ClientRectOf(window.Handle()), (RECT{0, 0, 1, 1}));
}

TEST_F(WindowTest, ShowWindowMapsAndHidesAndReportsPreviousVisibility) {
    TestWindow visible;
    ASSERT_TRUE(visible.Create(64, 64, WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    EXPECT_EQ(MapState(visible.Handle()), IsViewable) << "WS_VISIBLE maps at creation";

    TestWindow window;
    ASSERT_TRUE(window.Create());
    EXPECT_FALSE(ShowWindow(window.Handle(), SW_SHOW));
    EXPECT_EQ(MapState(window.Handle()), IsViewable);
    EXPECT_TRUE(ShowWindow(window.Handle(), SW_SHOW));
    EXPECT_TRUE(ShowWindow(window.Handle(), SW_HIDE));
    EXPECT_EQ(MapState(window.Handle()), IsUnmapped);
    EXPECT_FALSE(ShowWindow(window.Handle(), SW_RESTORE));
    EXPECT_EQ(MapState(window.Handle()), IsViewable);
}

TEST_F(WindowTest, SetWindowPosMovesResizesAndSendsSize) {
    TestWindow window;
    ASSERT_TRUE(window.Create(100, 80));
    window.ClearMessages();
    ASSERT_TRUE(SetWindowPos(window.Handle(), HWND_TOP, 30, 40, 200, 120, SWP_SHOWWINDOW));
    EXPECT_EQ(MapState(window.Handle()), IsViewable);

    EXPECT_EQ(WindowRectOf(window.Handle()), (RECT{30, 40, 230, 160}));
    EXPECT_EQ(ClientRectOf(window.Handle()), (RECT{0, 0, 192, 93}));
    ASSERT_EQ(window.CountOf(WM_SIZE), 1);
    EXPECT_EQ(window.Messages().back().lParam, MAKELPARAM(192, 93));

    // Moving alone keeps the size; resizing alone keeps the position.
    ASSERT_TRUE(SetWindowPos(window.Handle(), HWND_TOP, 5, 6, 1, 1, SWP_NOSIZE));
    EXPECT_EQ(WindowRectOf(window.Handle()), (RECT{5, 6, 205, 126}));
    ASSERT_TRUE(SetWindowPos(window.Handle(), HWND_TOP, 99, 99, 50, 60, SWP_NOMOVE));
    EXPECT_EQ(WindowRectOf(window.Handle()), (RECT{5, 6, 55, 66}));

    // Pumping the server's configure events afterwards adds no stale WM_SIZE.
    PumpMessages();
    EXPECT_EQ(window.Messages().back().lParam, MAKELPARAM(42, 33));
}

TEST_F(WindowTest, StyleIsStoredAndDecorationsFollowIt) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    const LONG windowed = static_cast<LONG>(0x06CF0000);
    const LONG popup = static_cast<LONG>(0x86880000u);
    EXPECT_EQ(SetWindowLongA(window.Handle(), GWL_STYLE, windowed),
              static_cast<LONG>(WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(GetWindowLongA(window.Handle(), GWL_STYLE), windowed);
    EXPECT_EQ(MotifDecorations(window.Handle()), 1);

    EXPECT_EQ(SetWindowLongA(window.Handle(), GWL_STYLE, popup), windowed);
    EXPECT_EQ(GetWindowLongA(window.Handle(), GWL_STYLE), popup);
    EXPECT_EQ(MotifDecorations(window.Handle()), 0) << "a popup without caption has no frame";
}

TEST_F(WindowTest, UnknownHandlesAndNullArgumentsFailCleanly) {
    HWND bogus = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    RECT rect{};
    EXPECT_FALSE(GetWindowRect(bogus, &rect));
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    EXPECT_FALSE(SetWindowPos(bogus, HWND_TOP, 0, 0, 10, 10, 0));
    EXPECT_EQ(SetFocus(bogus), nullptr);
    EXPECT_EQ(SetWindowLongA(bogus, GWL_STYLE, 0), 0);

    TestWindow window;
    ASSERT_TRUE(window.Create());
    EXPECT_FALSE(GetWindowRect(window.Handle(), nullptr));
    EXPECT_FALSE(GetClientRect(window.Handle(), nullptr));
}

TEST_F(WindowTest, ScriptedFailuresFailOneCallEach) {
    WNDCLASSA windowClass = ClassNamed("FailingClass");
    platformtest::FailNextCall("RegisterClassA");
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
    ASSERT_NE(RegisterClassA(&windowClass), 0);

    platformtest::FailNextCall("CreateWindowExA");
    EXPECT_EQ(CreatePlainWindow("FailingClass"), nullptr);
    HWND window = CreatePlainWindow("FailingClass");
    ASSERT_NE(window, nullptr);

    platformtest::FailNextCall("DestroyWindow");
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_NE(platformtest::XWindowOf(window), 0u) << "a failed DestroyWindow keeps the window";
    EXPECT_TRUE(DestroyWindow(window));

    platformtest::FailNextCall("UnregisterClassA");
    EXPECT_FALSE(UnregisterClassA("FailingClass", GetModuleHandleA(nullptr)));
    EXPECT_TRUE(UnregisterClassA("FailingClass", GetModuleHandleA(nullptr)));
    EXPECT_EQ(platformtest::PendingFailures(), 0);
}

}  // namespace
