// Linux platform layer: the X connection and the process's termination signals.
//
// Provides:
//   [X] x11::OpenDisplay / x11::ReleaseAtExit: one lazily opened connection, one
//       GL-capable visual (RGBA, double-buffered, depth buffer of 24 bits, or 16
//       when 24 is not offered) with its colormap, or the screen's default visual
//       on a display without GL (windows work, pixel formats do not), the atoms
//       the layer uses, key repeat without fake releases, and an X error handler
//       that reports instead of exiting
//   [X] x11::ResetWindowing: a fresh window side for each test
//   [X] x11::InstallTerminationSignalHandlers / x11::TakePendingTerminationSignal:
//       SIGINT, SIGTERM and SIGHUP become a WM_CLOSE for the program's window
//       (see PeekMessageA), so a terminal's Ctrl+C, a kill or a closed terminal
//       runs the program's normal teardown; SIGPIPE is ignored
//   [ ] Several screens or visuals, XInput2, Xrandr: the program needs none.
#include <csignal>

#include <X11/XKBlib.h>

#include "platform/x11/X11Platform.h"

namespace {

// NOTE: a signal handler may only touch a volatile sig_atomic_t of static
// storage, so this flag is the one piece of layer state outside PlatformState.
volatile std::sig_atomic_t pendingTerminationSignal = 0;

void OnTerminationSignal(int /*signal*/) {
    pendingTerminationSignal = 1;
}

// The GLX error codes that name a drawable or window that no longer exists.
const int kGlxBadDrawable = 2;
const int kGlxBadWindow = 12;

// True for an error that only says one of the layer's windows has gone from
// the server: destroyed from outside, it is still drawn to until its
// DestroyNotify arrives and closes it. The record learns it is gone.
bool IsWindowGone(const XErrorEvent& error) {
    const int glxErrorBase = x11::State().glxErrorBase;
    bool missing = error.error_code == BadWindow || error.error_code == BadDrawable ||
                   (glxErrorBase >= 0 && (error.error_code == glxErrorBase + kGlxBadDrawable ||
                                          error.error_code == glxErrorBase + kGlxBadWindow));
    if (!missing) return false;
    HWND window = x11::FindWindowByXWindow(static_cast<Window>(error.resourceid));
    if (window == nullptr) return false;
    window->goneFromServer = true;
    return true;
}

// Reports a protocol error and carries on; Xlib's default handler would exit.
int OnXError(Display* display, XErrorEvent* error) {
    if (IsWindowGone(*error)) return 0;
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    x11::ReportError("X11", "%s (request %d.%d, resource 0x%lx)", text,
                     static_cast<int>(error->request_code), static_cast<int>(error->minor_code),
                     static_cast<unsigned long>(error->resourceid));
    return 0;
}

// The first double-buffered RGBA visual with a depth buffer of the given size.
XVisualInfo* ChooseGLVisual(Display* display, int screen, int depthBits) {
    int attributes[] = {
        GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1,   GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE,
        1,        GLX_DEPTH_SIZE,   depthBits,    None};
    return glXChooseVisual(display, screen, attributes);
}

void InternAtoms(x11::PlatformState& state) {
    Display* display = state.display;
    state.wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    state.wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    state.netWmState = XInternAtom(display, "_NET_WM_STATE", False);
    state.netWmStateFullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    state.netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    state.netActiveWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    state.utf8String = XInternAtom(display, "UTF8_STRING", False);
    state.motifWmHints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    state.netSupported = XInternAtom(display, "_NET_SUPPORTED", False);
    state.netSupportingWmCheck = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    state.netRequestFrameExtents = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
    state.netFrameExtents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
}

// Destroys every rendering context and window the layer still holds.
void ReleaseContextsAndWindows(x11::PlatformState& state) {
    if (state.display != nullptr) glXMakeCurrent(state.display, None, nullptr);
    while (!state.contexts.empty()) x11::DestroyContextRecord(state.contexts.back());
    while (!state.windows.empty()) x11::DestroyWindowRecord(state.windows.back());
}

}  // namespace

namespace x11 {

// Opens the display named by $DISPLAY on first use and picks the GL visual.
Display* OpenDisplay() {
    PlatformState& state = State();
    if (state.display != nullptr) return state.display;
    // One report is enough: every later call fails the same way.
    if (state.displayOpenFailed) return nullptr;

    const char* name = XDisplayName(nullptr);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        state.displayOpenFailed = true;
        ReportError("X11", "cannot open display \"%s\"", name != nullptr ? name : "");
        return nullptr;
    }
    XSetErrorHandler(OnXError);

    int screen = DefaultScreen(display);
    int eventBase = 0;
    XVisualInfo* visual = nullptr;
    if (glXQueryExtension(display, &state.glxErrorBase, &eventBase)) {
        visual = ChooseGLVisual(display, screen, 24);
        if (visual == nullptr) visual = ChooseGLVisual(display, screen, 16);
    } else {
        state.glxErrorBase = -1;
    }
    state.glVisual = visual != nullptr;
    if (visual == nullptr) {
        // Windows need no GL; the pixel format step tells why there is none.
        XVisualInfo wanted{};
        wanted.visualid = XVisualIDFromVisual(DefaultVisual(display, screen));
        int count = 0;
        visual = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    }
    if (visual == nullptr) {
        ReportError("X11", "display \"%s\" describes no visual", DisplayString(display));
        XCloseDisplay(display);
        state.displayOpenFailed = true;
        return nullptr;
    }
    // A held key repeats as presses only, as on Windows; without this the
    // server sends a release before every repeated press.
    XkbSetDetectableAutoRepeat(display, True, nullptr);

    state.display = display;
    state.screen = screen;
    state.visual = visual;
    state.colormap =
        XCreateColormap(display, RootWindow(display, screen), visual->visual, AllocNone);
    InternAtoms(state);
    return display;
}

// Releases the contexts and windows the program left and sends what is queued.
// NOTE: the connection itself is left for the process's end to close, which
// frees everything of it on the server too: closing it here runs the GL
// driver's own teardown, which loses memory of its drawables once a window
// manager has reparented the window (the leak checker reports it).
void ReleaseAtExit() {
    PlatformState& state = State();
    if (state.display == nullptr) return;
    ReleaseContextsAndWindows(state);
    XSync(state.display, False);
}

void ResetWindowing() {
    PlatformState& state = State();
    ReleaseContextsAndWindows(state);
    // Events still queued can only concern the windows just destroyed.
    if (state.display != nullptr) XSync(state.display, True);
    state.classes.clear();
    state.postedMessages.clear();
    state.quitPosted = false;
    state.quitExitCode = 0;
    state.displayModeChanged = false;
    state.currentMode = DEVMODEA{};
    state.cursorCount = 0;
    state.focusWindow = nullptr;
    state.activeWindow = nullptr;
}

// Routes SIGINT, SIGTERM and SIGHUP into the message loop instead of killing
// the process. NOTE: no SA_RESTART: a write that waits for a stalled reader
// must return, so that the loop sees the signal.
void InstallTerminationSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool TakePendingTerminationSignal() {
    if (pendingTerminationSignal == 0) return false;
    pendingTerminationSignal = 0;
    return true;
}

}  // namespace x11
