// Internal state of the Linux platform layer: one record for the whole layer,
// so that every piece of it (windows, messages, GL context, clock, console,
// test controls) finds its state in one place. Only platform/x11/ includes it.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/Testing.h"
#include "platform/Win32.h"

// A window: the X window plus what Win32 keeps about it.
struct HWND__ {
    Window xwindow = 0;
    std::string className;
    WNDPROC procedure = nullptr;
    LONG style = 0;
    LONG exStyle = 0;
    bool mapped = false;          // the server reported the window mapped
    bool goneFromServer = false;  // destroyed from outside: only the record is left
    bool coversScreen = false;    // placed over the whole screen as a full-screen window
    int width = 0;                // last client size reported through WM_SIZE; 0 before the first
    int height = 0;
    RECT normalRect{};  // window rectangle before covering the screen; SW_RESTORE returns to it
    RECT frame{};       // the frame around the client area since the last placement
    HDC dc = nullptr;   // the window's own device context (CS_OWNDC)
};

// A device context: the window it draws to and the pixel format set on it.
struct HDC__ {
    HWND window = nullptr;
    int pixelFormat = 0;
};

// A rendering context: a GLX context.
struct HGLRC__ {
    GLXContext context = nullptr;
};

namespace x11 {

struct ClassRecord {
    WNDCLASSA description{};
    std::string name;
};

// What the input test controls add to the real keyboard and pointer.
struct ScriptedInput {
    bool keys[256] = {};  // held keys, by DIK code
    int mouseX = 0;       // motion not yet read by a mouse device
    int mouseY = 0;
    int mouseZ = 0;
    bool mouseButtons[3] = {};  // held buttons
    bool keyboardLost = false;  // the next keyboard read reports input lost
    bool mouseLost = false;     // the next mouse read reports input lost
};

// A DirectInput device: it hears the input events of the windows it is tied to
// (keys, buttons, pointer motion) and the window's loss of the focus.
class InputListener {
public:
    virtual void OnInputEvent(const XEvent& event) = 0;

protected:
    ~InputListener() = default;
};

struct PlatformState {
    // X connection, opened on first use.
    Display* display = nullptr;
    bool displayOpenFailed = false;
    int screen = 0;
    XVisualInfo* visual = nullptr;  // the visual every window is created with
    bool glVisual = false;          // it is the GL visual; false on a display without GLX
    int glxErrorBase = -1;          // the first GLX error code; -1 without GLX
    Colormap colormap = 0;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
    Atom netWmState = 0;
    Atom netWmStateFullscreen = 0;
    Atom netWmName = 0;
    Atom utf8String = 0;
    Atom motifWmHints = 0;
    Atom netActiveWindow = 0;
    Atom netSupported = 0;
    Atom netSupportingWmCheck = 0;
    Atom netRequestFrameExtents = 0;
    Atom netFrameExtents = 0;
    Cursor invisibleCursor = 0;  // made on first ShowCursor(FALSE)

    // Window classes (keyed by lower-case name: Win32 class names ignore case) and windows.
    std::map<std::string, ClassRecord> classes;
    ATOM nextClassAtom = 0xC000;  // where Windows starts numbering registered classes
    std::vector<HWND> windows;
    HWND focusWindow = nullptr;   // the window with the X keyboard focus: the foreground window
    HWND activeWindow = nullptr;  // the window last activated (WM_ACTIVATE); it may be hidden
    std::vector<HGLRC> contexts;  // live rendering contexts
    std::vector<InputListener*> inputListeners;  // live keyboard and mouse devices

    // The frame a window manager draws around a decorated window (from
    // _NET_FRAME_EXTENTS), once one has told it; without one, Windows' classic frame.
    bool managerFrameKnown = false;
    RECT managerFrame{};

    // Posted messages and the quit request.
    std::deque<MSG> postedMessages;
    bool quitPosted = false;
    int quitExitCode = 0;

    // Display mode: true while a full-screen mode set by ChangeDisplaySettingsA is in force.
    bool displayModeChanged = false;
    DEVMODEA currentMode{};

    // Cursor display counter, as ShowCursor keeps it.
    int cursorCount = 0;

    // Clock: the monotonic clock in nanoseconds unless a test set the counter by hand.
    bool manualCounter = false;
    int64_t counter = 0;
    int64_t frequency = 1000000000;

    // Test controls.
    ScriptedInput scriptedInput;
    std::map<std::string, int> pendingFailures;
    std::deque<int> scriptedAnswers;
    std::vector<platformtest::MessageBoxRecord> shownBoxes;
};

PlatformState& State();

// True when a test asked the named call to fail; consumes that request.
bool ConsumeFailure(const char* functionName);

// The one error sink of the layer: writes "<layer>: <message>" to standard error.
void ReportError(const char* layer, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The X display, opened (and the GL visual chosen) on first use; null with a
// message on standard error when no display can be opened.
Display* OpenDisplay();

// At process end: releases what the layer still holds; the X connection is
// left to the process's end.
void ReleaseAtExit();

// Puts the window side of the layer back to its fresh state (for the test
// controls' Reset): destroys every window and rendering context without
// messages, empties the class table and the message queue, drops a pending
// WM_QUIT, the display mode and the cursor counter. The X connection stays.
void ResetWindowing();

// True once for a SIGINT, SIGTERM or SIGHUP that has arrived since the last
// call; the caller turns it into WM_CLOSE (PeekMessageA asks only when a window
// exists, so a signal before the first window waits for it).
bool TakePendingTerminationSignal();
// Routes those signals into the message loop; they interrupt a blocked system
// call rather than restart it. SIGPIPE is ignored: a console whose reader has
// gone only loses what is written to it.
void InstallTerminationSignalHandlers();

// Writes to a descriptor without ever waiting for its reader: what cannot be
// written at once (a full pipe, a reader gone, a closed terminal) is dropped.
void WriteWithoutBlocking(int descriptor, const char* data, size_t size);

// Hands an input event, or a focus loss, to the devices; see InputListener.
void DeliverInputEvent(const XEvent& event);
// Delivers the input events already queued, up to the first focus change, so a
// device read sees every key event that came before it.
void DeliverQueuedInputEvents();

// A live window handle, or null when the handle is unknown to the layer.
HWND FindWindowRecord(HWND window);

// The window record behind an X window, or null.
HWND FindWindowByXWindow(Window xwindow);

// Makes the window the active one, as Windows does on SetFocus (even for a hidden
// window) and SetForegroundWindow: the window active before hears WM_ACTIVATE
// (WA_INACTIVE) and WM_KILLFOCUS, this one WM_ACTIVATE (WA_ACTIVE). Nothing
// happens when it already is the active window.
void Activate(HWND window);

// Deactivates the window if it is the active one: WM_ACTIVATE (WA_INACTIVE),
// then WM_KILLFOCUS. No window is active afterwards.
void Deactivate(HWND window);

// Stores a new client size and, when it changed, sends WM_SIZE as Windows does.
void NotifyClientSize(HWND window, int width, int height);

// Removes a window and its device context without any message or test control:
// the teardown shared by DestroyWindow and ReleaseAtExit.
void DestroyWindowRecord(HWND window);

// Destroys a rendering context (made non-current first if it is current).
void DestroyContextRecord(HGLRC context);

// The DIK code of a key on the X keyboard, or 0 for a key without one.
int DikFromXKeycode(unsigned keycode);

}  // namespace x11
