// Linux platform layer: window classes, windows, placement and display modes.
//
// Provides:
//   [X] GetModuleHandleA, LoadIconA, LoadCursorA (fixed, non-null handles)
//   [X] RegisterClassA, UnregisterClassA (class table; names ignore case as on Windows)
//   [X] CreateWindowExA, DestroyWindow (WM_SIZE comes with the first showing, as
//       Windows sends it to a top-level window: inside CreateWindowExA with WS_VISIBLE)
//   [X] SetWindowLongA, GetWindowLongA (GWL_STYLE, GWL_EXSTYLE; decorations follow the style)
//   [X] ShowWindow, SetWindowPos, GetWindowRect, GetClientRect, AdjustWindowRectEx
//   [X] SetForegroundWindow, SetFocus, ShowCursor
//   [X] ChangeDisplaySettingsA (checks the mode against the screen; the popup style
//       plus SW_SHOWMAXIMIZED then covers the screen)
//   [ ] Child windows, menus, icons and cursors from resources, minimising,
//       maximising to a work area, real resolution changes: the program needs none.
//
// The X window is the client area. As on Windows, the sizes and positions that
// CreateWindowExA and SetWindowPos take, and GetWindowRect answers, are those of
// the whole window, frame included: the client area lies inside the frame that
// the style gives (FrameOf). With a window manager that is the frame it draws,
// learnt before the first window is mapped (_NET_REQUEST_FRAME_EXTENTS, then
// _NET_FRAME_EXTENTS), so that a 640 x 480 window is 640 x 480 on the desktop;
// without one (Xvfb) nothing draws a frame and the layer counts Windows'
// classic one. StaticGravity makes moves refer to the client area, so
// GetWindowRect followed by SetWindowPos puts a window back where it was. As on Windows, a style
// set with SetWindowLongA brings its frame with the next placement (SetWindowPos, maximising,
// restoring), and restoring returns to the window rectangle the window had before it covered the
// screen.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <poll.h>

#include <X11/Xatom.h>

#include "platform/x11/X11Platform.h"

namespace {

// X window coordinates and sizes are 16-bit on the wire.
int ClampCoordinate(int value) {
    return std::clamp(value, -32768, 32767);
}

int ClampSize(int value) {
    return std::clamp(value, 1, 32767);
}

std::string ClassKey(const char* name) {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

bool IsWindowViewable(Display* display, Window xwindow) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, xwindow, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

// Maps the window and waits, at most two seconds, until the server (or the
// window manager) has made it viewable: focus can only go to a viewable window.
void MapAndWait(HWND window) {
    Display* display = x11::State().display;
    XMapWindow(display, window->xwindow);
    for (int waited = 0; waited < 2000; waited += 10) {
        if (IsWindowViewable(display, window->xwindow)) {
            window->mapped = true;
            return;
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 10);
    }
    x11::ReportError("X11", "window 0x%lx was not mapped within 2 s", window->xwindow);
}

// Withdraws the window: unmaps it and tells a window manager it is gone.
void Unmap(HWND window) {
    x11::PlatformState& state = x11::State();
    XWithdrawWindow(state.display, window->xwindow, state.screen);
    XFlush(state.display);
    window->mapped = false;
}

// The frame around the client area that Windows gives a style, in its classic
// look (the one Wine draws): the thin border line (SM_CXBORDER, 1), the dialog
// frame around it (SM_CXDLGFRAME, 3 with the line), a sizing frame one wider
// (SM_CXFRAME, 4), and the caption above (SM_CYCAPTION, 19).
RECT ClassicFrameOf(LONG style) {
    DWORD bits = static_cast<DWORD>(style);
    LONG border = 0;
    if ((bits & (WS_THICKFRAME | WS_DLGFRAME)) != 0) border += 2;
    if ((bits & WS_THICKFRAME) != 0) border += 1;
    if ((bits & (WS_BORDER | WS_DLGFRAME)) != 0) border += 1;
    LONG caption = (bits & WS_CAPTION) == WS_CAPTION ? 19 : 0;
    return RECT{border, border + caption, border, border};
}

bool WantsNoDecorations(LONG style) {
    DWORD bits = static_cast<DWORD>(style);
    return (bits & WS_POPUP) != 0 && (bits & WS_CAPTION) != WS_CAPTION;
}

// The frame around the client area of a window of this style: the window
// manager's, once it has told it (none for a window it does not decorate),
// else the classic one.
RECT FrameOf(LONG style) {
    const x11::PlatformState& state = x11::State();
    if (!state.managerFrameKnown) return ClassicFrameOf(style);
    return WantsNoDecorations(style) ? RECT{0, 0, 0, 0} : state.managerFrame;
}

// Sends a client message about the window to the window manager, the way
// EWMH and ICCCM ask for it: to the root window, for whoever redirects it.
void SendToWindowManager(Window xwindow, Atom type, long l0, long l1 = 0, long l2 = 0,
                         long l3 = 0) {
    x11::PlatformState& state = x11::State();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xwindow;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    XSendEvent(state.display, RootWindow(state.display, state.screen), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// Reads a property of 32-bit items; empty when it is missing or of another kind.
std::vector<long> ReadProperty(Window xwindow, Atom property, Atom type) {
    x11::PlatformState& state = x11::State();
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<long> items;
    if (XGetWindowProperty(state.display, xwindow, property, 0, 1024, False, type, &actualType,
                           &actualFormat, &count, &after, &data) == Success &&
        actualType == type && actualFormat == 32 && data != nullptr) {
        const long* values =
            reinterpret_cast<const long*>(data);  // Xlib hands 32-bit items as long
        items.assign(values, values + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

// True when an EWMH window manager runs that tells frames before mapping: the
// root names its check window, the check window names itself, and the manager
// lists _NET_REQUEST_FRAME_EXTENTS among what it supports.
bool ManagerTellsFrames() {
    x11::PlatformState& state = x11::State();
    Window root = RootWindow(state.display, state.screen);
    std::vector<long> check = ReadProperty(root, state.netSupportingWmCheck, XA_WINDOW);
    if (check.size() != 1) return false;
    std::vector<long> self =
        ReadProperty(static_cast<Window>(check[0]), state.netSupportingWmCheck, XA_WINDOW);
    if (self.size() != 1 || self[0] != check[0]) return false;
    std::vector<long> supported = ReadProperty(root, state.netSupported, XA_ATOM);
    return std::find(supported.begin(), supported.end(),
                     static_cast<long>(state.netRequestFrameExtents)) != supported.end();
}

// Asks the window manager which frame it will draw around the window (not yet
// mapped, decorated) and waits, at most one second, for the answer. The
// answer becomes the frame of every decorated window.
void LearnManagerFrame(Window xwindow) {
    x11::PlatformState& state = x11::State();
    if (!ManagerTellsFrames()) {
        state.managerFrameKnown = false;
        return;
    }
    SendToWindowManager(xwindow, state.netRequestFrameExtents, 0);
    XFlush(state.display);
    for (int waited = 0; waited < 1000; waited += 10) {
        std::vector<long> extents = ReadProperty(xwindow, state.netFrameExtents, XA_CARDINAL);
        if (extents.size() == 4) {
            // Left, right, top, bottom; a frame is never larger than a window.
            auto side = [](long value) { return static_cast<LONG>(std::clamp(value, 0L, 4096L)); };
            state.managerFrame =
                RECT{side(extents[0]), side(extents[2]), side(extents[1]), side(extents[3])};
            state.managerFrameKnown = true;
            return;
        }
        pollfd connection{ConnectionNumber(state.display), POLLIN, 0};
        poll(&connection, 1, 10);
    }
    x11::ReportError("X11", "the window manager did not tell its frame within 1 s");
}

// Tells a window manager whether to draw a frame (the Motif hint most honour).
void ApplyDecorations(Window xwindow, LONG style) {
    x11::PlatformState& state = x11::State();
    const long kDecorationsFlag = 2;  // MWM_HINTS_DECORATIONS
    long hints[5] = {kDecorationsFlag, 0, WantsNoDecorations(style) ? 0L : 1L, 0, 0};
    XChangeProperty(state.display, xwindow, state.motifWmHints, state.motifWmHints, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(hints), 5);
}

// Asks for (or drops) the EWMH full-screen state. A mapped window asks the
// window manager; a window that is not mapped carries the state as a property.
void SetFullscreenState(HWND window, bool fullscreen) {
    x11::PlatformState& state = x11::State();
    if (window->mapped) {
        // _NET_WM_STATE_ADD or _REMOVE, from a normal application.
        SendToWindowManager(window->xwindow, state.netWmState, fullscreen ? 1 : 0,
                            static_cast<long>(state.netWmStateFullscreen), 0, 1);
    } else if (fullscreen) {
        Atom value = state.netWmStateFullscreen;
        XChangeProperty(state.display, window->xwindow, state.netWmState, XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&value), 1);
    } else {
        XDeleteProperty(state.display, window->xwindow, state.netWmState);
    }
}

// Reads the placement of the window from the server: root coordinates of its
// client area and its size.
bool QueryPlacement(HWND window, RECT* rect) {
    x11::PlatformState& state = x11::State();
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (!XGetGeometry(state.display, window->xwindow, &root, &x, &y, &width, &height, &border,
                      &depth)) {
        return false;
    }
    Window child = 0;
    if (!XTranslateCoordinates(state.display, window->xwindow, root, 0, 0, &x, &y, &child)) {
        return false;
    }
    rect->left = x;
    rect->top = y;
    rect->right = x + static_cast<LONG>(width);
    rect->bottom = y + static_cast<LONG>(height);
    return true;
}

// Places the window over the whole screen. Without a window manager (Xvfb)
// the EWMH request does nothing, so the layer also moves and resizes itself.
void CoverScreen(HWND window) {
    x11::PlatformState& state = x11::State();
    RECT client{};
    if (!window->coversScreen) {
        if (!QueryPlacement(window, &client)) client = RECT{0, 0, window->width, window->height};
        const RECT& frame = window->frame;
        window->normalRect = RECT{client.left - frame.left, client.top - frame.top,
                                  client.right + frame.right, client.bottom + frame.bottom};
    }
    SetFullscreenState(window, true);
    int width = DisplayWidth(state.display, state.screen);
    int height = DisplayHeight(state.display, state.screen);
    XMoveResizeWindow(state.display, window->xwindow, 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    XRaiseWindow(state.display, window->xwindow);
    XFlush(state.display);
    window->coversScreen = true;
    // The client area covers the screen; a frame lies outside it, as on Windows.
    window->frame = FrameOf(window->style);
    x11::NotifyClientSize(window, width, height);
}

// Drops the full-screen state and puts the window back where it was before.
void LeaveFullscreen(HWND window) {
    x11::PlatformState& state = x11::State();
    SetFullscreenState(window, false);
    window->frame = FrameOf(window->style);
    const RECT& normal = window->normalRect;
    const RECT& frame = window->frame;
    int width = ClampSize(normal.right - normal.left - frame.left - frame.right);
    int height = ClampSize(normal.bottom - normal.top - frame.top - frame.bottom);
    XMoveResizeWindow(state.display, window->xwindow, ClampCoordinate(normal.left + frame.left),
                      ClampCoordinate(normal.top + frame.top), static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    XFlush(state.display);
    window->coversScreen = false;
    x11::NotifyClientSize(window, width, height);
}

// A window that has not told its procedure its size yet (it was created hidden)
// does so now, as Windows does when it first shows a top-level window.
void SendFirstSize(HWND window) {
    if (window->width != 0) return;
    RECT client{};
    if (QueryPlacement(window, &client)) {
        x11::NotifyClientSize(window, client.right - client.left, client.bottom - client.top);
    }
}

// A cursor with no visible pixel, for ShowCursor(FALSE).
Cursor InvisibleCursor() {
    x11::PlatformState& state = x11::State();
    if (state.invisibleCursor == 0) {
        char bits[1] = {0};
        Window root = RootWindow(state.display, state.screen);
        Pixmap blank = XCreateBitmapFromData(state.display, root, bits, 1, 1);
        XColor black{};
        state.invisibleCursor =
            XCreatePixmapCursor(state.display, blank, blank, &black, &black, 0, 0);
        XFreePixmap(state.display, blank);
    }
    return state.invisibleCursor;
}

void ApplyCursor(HWND window) {
    x11::PlatformState& state = x11::State();
    if (state.cursorCount < 0) {
        XDefineCursor(state.display, window->xwindow, InvisibleCursor());
    } else {
        XUndefineCursor(state.display, window->xwindow);
    }
}

void SetNames(HWND window, const char* title) {
    x11::PlatformState& state = x11::State();
    XStoreName(state.display, window->xwindow, title);
    XChangeProperty(state.display, window->xwindow, state.netWmName, state.utf8String, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
    std::string className = window->className;
    XClassHint classHint{&className[0], &className[0]};
    XSetClassHint(state.display, window->xwindow, &classHint);
}

void SetManagerHints(HWND window, int x, int y, int width, int height) {
    x11::PlatformState& state = x11::State();
    XSizeHints* sizeHints = XAllocSizeHints();
    if (sizeHints != nullptr) {
        sizeHints->flags = USPosition | USSize | PWinGravity;
        sizeHints->x = x;
        sizeHints->y = y;
        sizeHints->width = width;
        sizeHints->height = height;
        sizeHints->win_gravity = StaticGravity;
        XSetWMNormalHints(state.display, window->xwindow, sizeHints);
        XFree(sizeHints);
    }
    XWMHints* wmHints = XAllocWMHints();
    if (wmHints != nullptr) {
        wmHints->flags = InputHint | StateHint;
        wmHints->input = True;
        wmHints->initial_state = NormalState;
        XSetWMHints(state.display, window->xwindow, wmHints);
        XFree(wmHints);
    }
    Atom protocols[] = {state.wmDeleteWindow};
    XSetWMProtocols(state.display, window->xwindow, protocols, 1);
}

}  // namespace

namespace x11 {

HWND FindWindowRecord(HWND window) {
    if (window == nullptr) return nullptr;
    const std::vector<HWND>& windows = State().windows;
    return std::find(windows.begin(), windows.end(), window) != windows.end() ? window : nullptr;
}

HWND FindWindowByXWindow(Window xwindow) {
    for (HWND window : State().windows) {
        if (window->xwindow == xwindow) return window;
    }
    return nullptr;
}

void NotifyClientSize(HWND window, int width, int height) {
    if (window->width == width && window->height == height) return;
    window->width = width;
    window->height = height;
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
}

void DestroyWindowRecord(HWND window) {
    PlatformState& state = State();
    if (state.display != nullptr && window->xwindow != 0) {
        // NOTE: a context left current on a destroyed window makes later GLX calls fail.
        if (glXGetCurrentDrawable() == window->xwindow)
            glXMakeCurrent(state.display, None, nullptr);
        if (!window->goneFromServer) XDestroyWindow(state.display, window->xwindow);
        XFlush(state.display);
    }
    // Windows discards the messages still posted to a destroyed window.
    auto& posted = state.postedMessages;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [window](const MSG& msg) { return msg.hwnd == window; }),
                 posted.end());
    if (state.focusWindow == window) state.focusWindow = nullptr;
    if (state.activeWindow == window) state.activeWindow = nullptr;
    state.windows.erase(std::remove(state.windows.begin(), state.windows.end(), window),
                        state.windows.end());
    delete window->dc;
    delete window;
}

}  // namespace x11

// The program's own module: a fixed handle, as a Windows image has one.
HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName != nullptr) return nullptr;  // no other modules are loaded
    return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x400000));
}

// System icons and cursors: the resource number stands in as the handle.
HICON LoadIconA(HINSTANCE /*instance*/, LPCSTR name) {
    return reinterpret_cast<HICON>(const_cast<char*>(name));
}

HCURSOR LoadCursorA(HINSTANCE /*instance*/, LPCSTR name) {
    return reinterpret_cast<HCURSOR>(const_cast<char*>(name));
}

// Adds a class to the table; a name already there fails, as on Windows.
ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    if (x11::ConsumeFailure("RegisterClassA")) return 0;
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpszClassName[0] == '\0' || windowClass->lpfnWndProc == nullptr) {
        return 0;
    }
    x11::PlatformState& state = x11::State();
    std::string key = ClassKey(windowClass->lpszClassName);
    if (state.classes.count(key) != 0) return 0;
    x11::ClassRecord record;
    record.description = *windowClass;
    record.name = windowClass->lpszClassName;
    record.description.lpszClassName = nullptr;  // the caller's string may not outlive the call
    record.description.lpszMenuName = nullptr;
    state.classes.emplace(key, record);
    if (state.nextClassAtom == 0) state.nextClassAtom = 0xC000;
    return state.nextClassAtom++;
}

// Removes a class; fails for an unknown name or while windows of it exist.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE /*instance*/) {
    if (x11::ConsumeFailure("UnregisterClassA")) return FALSE;
    if (className == nullptr) return FALSE;
    x11::PlatformState& state = x11::State();
    auto found = state.classes.find(ClassKey(className));
    if (found == state.classes.end()) return FALSE;
    for (HWND window : state.windows) {
        if (ClassKey(window->className.c_str()) == found->first) return FALSE;
    }
    state.classes.erase(found);
    return TRUE;
}

// Creates the X window of a registered class with the GL visual. A window made
// visible (WS_VISIBLE) hears its size inside this call; a hidden one when it is
// first shown.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND /*parent*/, HMENU /*menu*/, HINSTANCE /*instance*/,
                     LPVOID /*param*/) {
    if (x11::ConsumeFailure("CreateWindowExA")) return nullptr;
    if (className == nullptr) return nullptr;
    x11::PlatformState& state = x11::State();
    auto found = state.classes.find(ClassKey(className));
    if (found == state.classes.end()) return nullptr;
    Display* display = x11::OpenDisplay();
    if (display == nullptr) return nullptr;

    XSetWindowAttributes attributes{};
    attributes.colormap = state.colormap;
    attributes.background_pixel = BlackPixel(display, state.screen);
    attributes.border_pixel = 0;
    attributes.event_mask = StructureNotifyMask | FocusChangeMask | ExposureMask | KeyPressMask |
                            KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | EnterWindowMask | LeaveWindowMask;
    Window xwindow = XCreateWindow(
        display, RootWindow(display, state.screen), 0, 0, 1, 1, 0, state.visual->depth, InputOutput,
        state.visual->visual, CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    if (xwindow == 0) {
        x11::ReportError("X11", "cannot create a window");
        return nullptr;
    }
    // The decorations follow the style before the window manager is asked
    // which frame it will draw.
    ApplyDecorations(xwindow, static_cast<LONG>(style));
    if (!WantsNoDecorations(static_cast<LONG>(style))) LearnManagerFrame(xwindow);

    // The client area inside the frame.
    RECT frame = FrameOf(static_cast<LONG>(style));
    x = ClampCoordinate(x + frame.left);
    y = ClampCoordinate(y + frame.top);
    width = ClampSize(width - frame.left - frame.right);
    height = ClampSize(height - frame.top - frame.bottom);
    XMoveResizeWindow(display, xwindow, x, y, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));

    HWND window = new HWND__;
    window->xwindow = xwindow;
    window->className = found->second.name;
    window->procedure = found->second.description.lpfnWndProc;
    window->style = static_cast<LONG>(style);
    window->exStyle = static_cast<LONG>(exStyle);
    window->normalRect =
        RECT{x - frame.left, y - frame.top, x + width + frame.right, y + height + frame.bottom};
    window->frame = frame;
    state.windows.push_back(window);

    SetNames(window, windowName != nullptr ? windowName : "");
    SetManagerHints(window, x, y, width, height);
    if (state.cursorCount < 0) ApplyCursor(window);
    XFlush(display);

    if ((style & WS_VISIBLE) != 0) {
        MapAndWait(window);
        x11::NotifyClientSize(window, width, height);
        // The window procedure may have destroyed the window while handling WM_SIZE.
        if (x11::FindWindowRecord(window) == nullptr) return nullptr;
    }
    return window;
}

BOOL DestroyWindow(HWND window) {
    if (x11::ConsumeFailure("DestroyWindow")) return FALSE;
    if (x11::FindWindowRecord(window) == nullptr) return FALSE;
    x11::DestroyWindowRecord(window);
    return TRUE;
}

// Stores a style and returns the previous one; decorations follow the style.
LONG SetWindowLongA(HWND window, int index, LONG value) {
    if (x11::FindWindowRecord(window) == nullptr) return 0;
    LONG previous = 0;
    if (index == GWL_STYLE) {
        previous = window->style;
        window->style = value;
        ApplyDecorations(window->xwindow, value);
        XFlush(x11::State().display);
    } else if (index == GWL_EXSTYLE) {
        previous = window->exStyle;
        window->exStyle = value;
    }
    return previous;
}

LONG GetWindowLongA(HWND window, int index) {
    if (x11::FindWindowRecord(window) == nullptr) return 0;
    if (index == GWL_STYLE) return window->style;
    if (index == GWL_EXSTYLE) return window->exStyle;
    return 0;
}

// Shows or hides the window; answers whether it was visible before.
BOOL ShowWindow(HWND window, int command) {
    if (x11::FindWindowRecord(window) == nullptr) return FALSE;
    x11::PlatformState& state = x11::State();
    BOOL wasVisible = window->mapped ? TRUE : FALSE;
    switch (command) {
        case SW_HIDE:
            Unmap(window);
            break;
        case SW_SHOWMAXIMIZED:
            if (!window->mapped) MapAndWait(window);
            // A popup window in a changed display mode is the full-screen window.
            if ((static_cast<DWORD>(window->style) & WS_POPUP) != 0 && state.displayModeChanged) {
                CoverScreen(window);
            }
            break;
        case SW_RESTORE:
            if (!window->mapped) MapAndWait(window);
            if (window->coversScreen) LeaveFullscreen(window);
            break;
        default:
            if (!window->mapped) MapAndWait(window);
            break;
    }
    // The procedure may destroy the window on WM_SIZE; nothing follows here.
    if (command != SW_HIDE) SendFirstSize(window);
    return wasVisible;
}

// Moves, resizes, raises, shows or hides the window as the flags say.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (x11::FindWindowRecord(window) == nullptr) return FALSE;
    Display* display = x11::State().display;
    bool move = (flags & SWP_NOMOVE) == 0;
    bool resize = (flags & SWP_NOSIZE) == 0;
    // A style set since the last placement brings its frame now.
    RECT frame = FrameOf(window->style);
    window->frame = frame;
    x = ClampCoordinate(x + frame.left);
    y = ClampCoordinate(y + frame.top);
    cx = ClampSize(cx - frame.left - frame.right);
    cy = ClampSize(cy - frame.top - frame.bottom);
    if (move && resize) {
        XMoveResizeWindow(display, window->xwindow, x, y, static_cast<unsigned>(cx),
                          static_cast<unsigned>(cy));
    } else if (move) {
        XMoveWindow(display, window->xwindow, x, y);
    } else if (resize) {
        XResizeWindow(display, window->xwindow, static_cast<unsigned>(cx),
                      static_cast<unsigned>(cy));
    }
    if ((flags & SWP_HIDEWINDOW) != 0) Unmap(window);
    if ((flags & SWP_SHOWWINDOW) != 0 && !window->mapped) MapAndWait(window);
    if ((flags & SWP_NOZORDER) == 0 && insertAfter == HWND_TOP)
        XRaiseWindow(display, window->xwindow);
    XFlush(display);
    if (resize) {
        x11::NotifyClientSize(window, cx, cy);
    } else if ((flags & SWP_SHOWWINDOW) != 0) {
        SendFirstSize(window);
    }
    return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (x11::FindWindowRecord(window) == nullptr || rect == nullptr) return FALSE;
    RECT client{};
    if (!QueryPlacement(window, &client)) return FALSE;
    const RECT& frame = window->frame;
    *rect = RECT{client.left - frame.left, client.top - frame.top, client.right + frame.right,
                 client.bottom + frame.bottom};
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (x11::FindWindowRecord(window) == nullptr || rect == nullptr) return FALSE;
    RECT placement{};
    if (!QueryPlacement(window, &placement)) return FALSE;
    *rect = RECT{0, 0, placement.right - placement.left, placement.bottom - placement.top};
    return TRUE;
}

// Grows a client rectangle to the window rectangle around it (no menus here).
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL /*menu*/, DWORD /*exStyle*/) {
    if (rect == nullptr) return FALSE;
    RECT frame = FrameOf(static_cast<LONG>(style));
    rect->left -= frame.left;
    rect->top -= frame.top;
    rect->right += frame.right;
    rect->bottom += frame.bottom;
    return TRUE;
}

// Raises the window, gives it the keyboard focus and makes it the active window.
BOOL SetForegroundWindow(HWND window) {
    if (x11::FindWindowRecord(window) == nullptr) return FALSE;
    x11::PlatformState& state = x11::State();
    XRaiseWindow(state.display, window->xwindow);
    if (IsWindowViewable(state.display, window->xwindow)) {
        // A window manager decides about activation; it listens for this request
        // from a normal application.
        SendToWindowManager(window->xwindow, state.netActiveWindow, 1, CurrentTime);
        XSetInputFocus(state.display, window->xwindow, RevertToParent, CurrentTime);
        // After the round trip the server has moved the focus: the window is in
        // the foreground now, as Windows has it when this call returns.
        XSync(state.display, False);
        state.focusWindow = window;
    }
    x11::Activate(window);
    return TRUE;
}

// Activates the window, as Windows does even while it is hidden, and gives a
// viewable window the keyboard focus; answers the window active before.
HWND SetFocus(HWND window) {
    x11::PlatformState& state = x11::State();
    HWND previous = state.activeWindow;
    if (window == nullptr) return previous;
    if (x11::FindWindowRecord(window) == nullptr) return nullptr;
    if (IsWindowViewable(state.display, window->xwindow)) {
        XSetInputFocus(state.display, window->xwindow, RevertToParent, CurrentTime);
        XSync(state.display, False);  // as in SetForegroundWindow
        state.focusWindow = window;
    }
    x11::Activate(window);
    return previous;
}

// Keeps the display counter; the cursor hides over the layer's windows below 0.
int ShowCursor(BOOL show) {
    x11::PlatformState& state = x11::State();
    bool wasShown = state.cursorCount >= 0;
    state.cursorCount += show ? 1 : -1;
    bool isShown = state.cursorCount >= 0;
    if (wasShown != isShown && state.display != nullptr) {
        for (HWND window : state.windows) ApplyCursor(window);
        XFlush(state.display);
    }
    return state.cursorCount;
}

// Accepts any mode the screen can hold and remembers it; the screen itself
// keeps its resolution, and the full-screen window covers it whole.
LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD /*flags*/) {
    if (x11::ConsumeFailure("ChangeDisplaySettingsA")) return DISP_CHANGE_FAILED;
    x11::PlatformState& state = x11::State();
    if (mode == nullptr) {
        state.displayModeChanged = false;
        state.currentMode = DEVMODEA{};
        return DISP_CHANGE_SUCCESSFUL;
    }
    Display* display = x11::OpenDisplay();
    if (display == nullptr) return DISP_CHANGE_FAILED;

    DWORD screenWidth = static_cast<DWORD>(DisplayWidth(display, state.screen));
    DWORD screenHeight = static_cast<DWORD>(DisplayHeight(display, state.screen));
    if ((mode->dmFields & DM_PELSWIDTH) != 0 &&
        (mode->dmPelsWidth == 0 || mode->dmPelsWidth > screenWidth)) {
        return DISP_CHANGE_BADMODE;
    }
    if ((mode->dmFields & DM_PELSHEIGHT) != 0 &&
        (mode->dmPelsHeight == 0 || mode->dmPelsHeight > screenHeight)) {
        return DISP_CHANGE_BADMODE;
    }
    if ((mode->dmFields & DM_BITSPERPEL) != 0 &&
        (mode->dmBitsPerPel == 0 || mode->dmBitsPerPel > 32)) {
        return DISP_CHANGE_BADMODE;
    }
    state.displayModeChanged = true;
    state.currentMode = *mode;
    return DISP_CHANGE_SUCCESSFUL;
}
