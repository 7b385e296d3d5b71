// The message queue: posted messages, WM_QUIT, default handling, and X events
// and signals turned into messages for the window procedure.
// GoogleTest comes before Xlib: Xlib's macros (None, Bool) break its templates.
#include <csignal>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Testing.h"
#include "platform/x11/X11Platform.h"
#include "tests/support/TestWindow.h"
#include "tests/support/XInputLock.h"

namespace {

Display* XDisplay() {
    return static_cast<Display*>(platformtest::XDisplayConnection());
}

bool Received(const TestWindow& window, UINT message) {
    return window.CountOf(message) > 0;
}

class MessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformtest::Reset();
        ASSERT_NE(XDisplay(), nullptr) << "message tests need an X display: set DISPLAY (Xvfb)";
        PumpMessages();  // nothing left over from an earlier test
    }
    void TearDown() override {
        PumpMessages();
        platformtest::Reset();
    }
};

TEST_F(MessageTest, PostedMessagesComeInOrderThenQuitOnce) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "empty queue";

    ASSERT_TRUE(PostMessageA(window.Handle(), WM_USER, 1, 2));
    PostQuitMessage(7);
    ASSERT_TRUE(PostMessageA(window.Handle(), WM_USER + 1, 3, 4));

    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window.Handle());
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_EQ(msg.lParam, 2);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1)) << "WM_QUIT waits for posted messages";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT comes once";
}

TEST_F(MessageTest, NoRemoveAndFiltersLeaveMessagesQueued) {
    TestWindow first;
    TestWindow second;
    ASSERT_TRUE(first.Create());
    ASSERT_TRUE(second.Create());
    ASSERT_TRUE(PostMessageA(first.Handle(), WM_USER + 5, 0, 0));
    ASSERT_TRUE(PostMessageA(second.Handle(), WM_USER + 9, 0, 0));
    PostQuitMessage(0);

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    ASSERT_TRUE(PeekMessageA(&msg, second.Handle(), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 9)) << "window filter";
    EXPECT_FALSE(PeekMessageA(&msg, second.Handle(), 0, 0, PM_REMOVE))
        << "WM_QUIT belongs to no window";
    EXPECT_FALSE(PeekMessageA(&msg, first.Handle(), WM_USER + 6, WM_USER + 8, PM_REMOVE))
        << "range filter";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT)) << "the range never holds WM_QUIT back";
    EXPECT_TRUE(PumpMessages());
}

TEST_F(MessageTest, BadHandlesFailAndDestroyedWindowsLoseTheirMessages) {
    HWND bogus = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4321));
    EXPECT_FALSE(PostMessageA(bogus, WM_USER, 0, 0));
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, bogus, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(SendMessageA(bogus, WM_USER, 0, 0), 0);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);

    // Windows drops what was posted to a window when the window goes.
    TestWindow window;
    ASSERT_TRUE(window.Create());
    ASSERT_TRUE(PostMessageA(window.Handle(), WM_USER, 0, 0));
    window.Close();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageTest, DefaultHandlingClosesOnSystemCloseAndDestroysOnClose) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    window.ClearMessages();
    EXPECT_EQ(DefWindowProcA(window.Handle(), WM_SYSCOMMAND, SC_CLOSE | 0x3, 0), 0);
    EXPECT_EQ(window.MessageIds(), (std::vector<UINT>{WM_CLOSE}));
    EXPECT_EQ(DefWindowProcA(window.Handle(), WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(window.CountOf(WM_CLOSE), 1);

    HWND handle = window.Handle();
    EXPECT_EQ(DefWindowProcA(handle, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(platformtest::XWindowOf(handle), 0u) << "WM_CLOSE's default destroys the window";
}

TEST_F(MessageTest, FocusChangesActivateAndDeactivate) {
    TestWindow first;
    TestWindow second;
    ASSERT_TRUE(first.Create(64, 64, WS_OVERLAPPEDWINDOW, 0, 0));
    ASSERT_TRUE(second.Create(64, 64, WS_OVERLAPPEDWINDOW, 100, 0));
    ASSERT_TRUE(first.ShowAndFocus());
    first.ClearMessages();
    EXPECT_EQ(SetFocus(first.Handle()), first.Handle()) << "SetFocus answers the previous focus";

    ASSERT_TRUE(second.ShowAndFocus());
    EXPECT_TRUE(PumpUntil([&] { return Received(first, WM_KILLFOCUS); }));
    ASSERT_EQ(first.MessageIds(), (std::vector<UINT>{WM_ACTIVATE, WM_KILLFOCUS}));
    EXPECT_EQ(LOWORD(first.Messages()[0].wParam), WA_INACTIVE);

    // Focusing the focused window again reports nothing new.
    second.ClearMessages();
    SetFocus(second.Handle());
    XSync(XDisplay(), False);
    PumpMessages();
    EXPECT_EQ(second.CountOf(WM_ACTIVATE), 0);
}

// As on Windows: SetFocus makes the window the active one at once, even while
// it is hidden, without giving it the keyboard; showing it and bringing it to
// the front later does not activate it a second time.
TEST_F(MessageTest, SetFocusActivatesEvenAHiddenWindowAndOnlyOnce) {
    HoldXInputLock();
    TestWindow window;
    ASSERT_TRUE(window.Create());
    window.ClearMessages();
    SetFocus(window.Handle());
    ASSERT_EQ(window.MessageIds(), (std::vector<UINT>{WM_ACTIVATE}));
    EXPECT_EQ(LOWORD(window.Messages()[0].wParam), WA_ACTIVE);
    EXPECT_EQ(x11::State().focusWindow, nullptr) << "a hidden window is not in the foreground";

    window.ClearMessages();
    ShowWindow(window.Handle(), SW_SHOW);
    SetForegroundWindow(window.Handle());
    EXPECT_EQ(x11::State().focusWindow, window.Handle())
        << "in the foreground when the call returns";
    SetFocus(window.Handle());
    XSync(XDisplay(), False);
    PumpMessages();
    EXPECT_EQ(window.CountOf(WM_ACTIVATE), 0);
}

TEST_F(MessageTest, WindowManagerCloseRequestBecomesWmClose) {
    TestWindow window;
    ASSERT_TRUE(window.Create());
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = platformtest::XWindowOf(window.Handle());
    event.xclient.message_type = XInternAtom(XDisplay(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(XDisplay(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(XDisplay(), event.xclient.window, False, NoEventMask, &event);
    XFlush(XDisplay());
    EXPECT_TRUE(PumpUntil([&] { return Received(window, WM_CLOSE); }));
    EXPECT_EQ(window.CountOf(WM_CLOSE), 1);
}

TEST_F(MessageTest, ResizeFromOutsideBecomesOneWmSize) {
    TestWindow window;
    ASSERT_TRUE(window.Create(100, 100));
    window.ClearMessages();
    // As a window manager or the user would: straight through the server.
    Window xwindow = platformtest::XWindowOf(window.Handle());
    XResizeWindow(XDisplay(), xwindow, 150, 90);
    XResizeWindow(XDisplay(), xwindow, 160, 70);
    XSync(XDisplay(), False);
    EXPECT_TRUE(PumpUntil([&] { return Received(window, WM_SIZE); }));
    ASSERT_EQ(window.CountOf(WM_SIZE), 1) << "a burst of resizes is one WM_SIZE";
    EXPECT_EQ(window.Messages().back().lParam, MAKELPARAM(160, 70));
}

TEST_F(MessageTest, TerminationSignalWaitsForAWindowThenClosesIt) {
    x11::InstallTerminationSignalHandlers();
    std::raise(SIGTERM);  // no window yet: the signal must wait
    PumpMessages();

    TestWindow window;
    ASSERT_TRUE(window.Create());
    EXPECT_EQ(window.CountOf(WM_CLOSE), 0) << "only PeekMessageA delivers the signal";
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(window.CountOf(WM_CLOSE), 1);

    std::raise(SIGINT);
    PumpMessages();
    EXPECT_EQ(window.CountOf(WM_CLOSE), 2);
    PumpMessages();
    EXPECT_EQ(window.CountOf(WM_CLOSE), 2) << "one signal, one WM_CLOSE";

    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace
