// Linux platform layer: the X connection and the process's termination signals.
//
// Provides:
//   [X] x11::OpenDisplay / x11::CloseDisplay: one lazily opened connection, one
//       GL-capable visual (RGBA, double-buffered, depth buffer of 24 bits, or 16
//       when 24 is not offered) with its colormap, the atoms the layer uses, and
//       an X error handler that reports instead of exiting
//   [X] x11::ResetWindowing: a fresh window side for each test
//   [X] x11::InstallTerminationSignalHandlers / x11::TakePendingTerminationSignal:
//       SIGINT and SIGTERM become a WM_CLOSE for the program's window (see
//       PeekMessageA), so a terminal's Ctrl+C runs the program's normal teardown
//   [ ] Several screens or visuals, XInput2, Xrandr: the program needs none.
#include "platform/x11/X11Platform.h"

#include <csignal>

namespace {

// NOTE: a signal handler may only touch a volatile sig_atomic_t of static
// storage, so this flag is the one piece of layer state outside PlatformState.
volatile std::sig_atomic_t pendingTerminationSignal = 0;

void OnTerminationSignal(int /*signal*/) {
    pendingTerminationSignal = 1;
}

// Reports a protocol error and carries on; Xlib's default handler would exit.
int OnXError(Display* display, XErrorEvent* error) {
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    x11::ReportError("X11", "%s (request %d.%d, resource 0x%lx)", text,
                     static_cast<int>(error->request_code), static_cast<int>(error->minor_code),
                     static_cast<unsigned long>(error->resourceid));
    return 0;
}

// The first double-buffered RGBA visual with a depth buffer of the given size.
XVisualInfo* ChooseGLVisual(Display* display, int screen, int depthBits) {
    int attributes[] = {GLX_RGBA,      GLX_DOUBLEBUFFER, GLX_RED_SIZE,   1,
                        GLX_GREEN_SIZE, 1,               GLX_BLUE_SIZE,  1,
                        GLX_DEPTH_SIZE, depthBits,       None};
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
    int errorBase = 0;
    int eventBase = 0;
    XVisualInfo* visual = nullptr;
    if (glXQueryExtension(display, &errorBase, &eventBase)) {
        visual = ChooseGLVisual(display, screen, 24);
        if (visual == nullptr) visual = ChooseGLVisual(display, screen, 16);
    }
    if (visual == nullptr) {
        ReportError("GLX", "display \"%s\" offers no double-buffered RGBA visual with a depth buffer",
                    DisplayString(display));
        XCloseDisplay(display);
        state.displayOpenFailed = true;
        return nullptr;
    }

    state.display = display;
    state.screen = screen;
    state.visual = visual;
    state.colormap = XCreateColormap(display, RootWindow(display, screen), visual->visual, AllocNone);
    InternAtoms(state);
    return display;
}

// Releases contexts, windows and X resources, then closes the connection.
void CloseDisplay() {
    PlatformState& state = State();
    if (state.display == nullptr) return;

    ReleaseContextsAndWindows(state);
    if (state.invisibleCursor != 0) XFreeCursor(state.display, state.invisibleCursor);
    if (state.colormap != 0) XFreeColormap(state.display, state.colormap);
    if (state.visual != nullptr) XFree(state.visual);
    XCloseDisplay(state.display);

    state.display = nullptr;
    state.visual = nullptr;
    state.colormap = 0;
    state.invisibleCursor = 0;
    state.focusWindow = nullptr;
    state.activeWindow = nullptr;
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

// Routes SIGINT and SIGTERM into the message loop instead of killing the process.
void InstallTerminationSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool TakePendingTerminationSignal() {
    if (pendingTerminationSignal == 0) return false;
    pendingTerminationSignal = 0;
    return true;
}

}  // namespace x11
