// A real window (and, on request, a current OpenGL context) for tests that
// need one: platform tests, and renderer tests that look at GL state or pixels.
//
//     TestWindow window;
//     ASSERT_TRUE(window.Open(64, 64));      // hidden window + current GL context
//     glClear(GL_COLOR_BUFFER_BIT);
//     EXPECT_EQ(window.PixelAt(0, 0)[0], 0);
//
// The window's procedure records every message it receives and then answers
// like DefWindowProcA, except that WM_CLOSE is only recorded (the window stays,
// as with the program's own procedure). Closing the TestWindow, or destroying
// it, releases the context, destroys the window and unregisters the class once
// no test window is left. Close it before platformtest::Reset runs (a test's
// local, or Close() in TearDown before Reset): Reset destroys every window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "platform/OpenGL.h"

// One message as the test window procedure received it.
struct ReceivedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class TestWindow {
public:
    static const char* const kClassName;

    // The pixel format the renderer asks for: RGBA, double-buffered, 32 colour and 16 depth
    // bits.
    static PIXELFORMATDESCRIPTOR RendererPixelFormat();

    TestWindow() = default;
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // Creates a hidden window of the test class with this client size, style
    // and position; the class is registered on first use. False on failure.
    bool Create(int width = 64, int height = 64, DWORD style = WS_OVERLAPPEDWINDOW, int x = 0,
                int y = 0);
    // Gives the window the pixel format the renderer asks for (RGBA, double
    // buffer, 16-bit depth) and makes a new rendering context current.
    bool CreateContext();
    // Create followed by CreateContext.
    bool Open(int width = 64, int height = 64);
    // Maps the window, gives it the focus and pumps messages until its
    // procedure saw WM_ACTIVATE with WA_ACTIVE (at most two seconds). Takes
    // the X input lock first (XInputLock.h).
    bool ShowAndFocus();
    // Releases and deletes the context, destroys the window; safe to repeat.
    void Close();

    HWND Handle() const { return window_; }
    HDC DeviceContext() const { return dc_; }
    HGLRC RenderContext() const { return context_; }

    // The messages this window's procedure received, oldest first.
    std::vector<ReceivedMessage> Messages() const;
    // Only the message numbers, for checks of order.
    std::vector<UINT> MessageIds() const;
    int CountOf(UINT message) const;
    void ClearMessages();

    // The colour buffer being drawn to (the back buffer), RGBA, whole client
    // area, rows from bottom to top. Needs the context current.
    std::vector<uint8_t> ReadPixels() const;
    // One RGBA pixel of the back buffer; (0, 0) is the bottom left corner.
    std::array<uint8_t, 4> PixelAt(int x, int y) const;

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HGLRC context_ = nullptr;
};

// GetWindowRect and GetClientRect as values; an all-zero rectangle on failure.
RECT WindowRectOf(HWND window);
RECT ClientRectOf(HWND window);

// Rectangles compare and print as (left, top, right, bottom) in assertions.
bool operator==(const RECT& a, const RECT& b);
void PrintTo(const RECT& rect, std::ostream* out);

// Dispatches every waiting message until none is left. A WM_QUIT taken on
// the way is not dispatched; the result says whether there was one.
bool PumpMessages();

// Pumps messages until the condition holds or the time is up; X events make
// a round trip through the server, so they arrive a little later.
bool PumpUntil(const std::function<bool()>& condition, int timeoutMilliseconds = 2000);
