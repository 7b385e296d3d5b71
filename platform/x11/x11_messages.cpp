// Linux platform layer: the message queue and the translation of X events.
//
// Provides:
//   [X] PeekMessageA (never blocks; X events and termination signals become
//       messages sent straight to the window procedure, then posted messages,
//       then WM_QUIT)
//   [X] TranslateMessage, DispatchMessageA, PostQuitMessage, PostMessageA,
//       SendMessageA, DefWindowProcA (WM_CLOSE destroys, SC_CLOSE closes)
//   [ ] GetMessageA, keyboard and mouse messages, WM_PAINT, timers: the program
//       polls and reads its input through DirectInput.
//
// X event                      Message(s) sent to the window procedure
//   ConfigureNotify, new size    WM_SIZE (SIZE_RESTORED, client width | height << 16)
//   FocusIn                      WM_ACTIVATE (WA_ACTIVE), unless it already is the active window
//   FocusOut                     WM_ACTIVATE (WA_INACTIVE), then WM_KILLFOCUS
//   ClientMessage WM_DELETE_WINDOW  WM_CLOSE
//   DestroyNotify (from outside) WM_CLOSE; the record stays until DestroyWindow
//   SIGINT / SIGTERM / SIGHUP    WM_CLOSE to the first window
//   keys, buttons, pointer       no message: they go to the DirectInput devices
#include <ctime>

#include "platform/x11/X11Platform.h"

namespace {

DWORD MillisecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// Focus changes caused by keyboard grabs or by the pointer do not change which
// window is active; Windows would not report them either.
bool IsFocusNoise(const XFocusChangeEvent& focus) {
    return focus.mode == NotifyGrab || focus.mode == NotifyUngrab ||
           focus.detail == NotifyInferior || focus.detail == NotifyPointer;
}

bool IsInputEvent(int type) {
    switch (type) {
        case KeyPress:
        case KeyRelease:
        case ButtonPress:
        case ButtonRelease:
        case MotionNotify:
        case EnterNotify:
        case LeaveNotify:
            return true;
        default:
            return false;
    }
}

// The predicate for DeliverQueuedInputEvents: an input event of one of the
// layer's windows, as long as no focus change came before it in the queue.
Bool IsInputBeforeFocusChange(Display* /*display*/, XEvent* event, XPointer focusSeen) {
    bool& seen = *reinterpret_cast<bool*>(focusSeen);
    if (seen) return False;
    if (event->type == FocusIn || event->type == FocusOut) {
        seen = true;
        return False;
    }
    return IsInputEvent(event->type) && x11::FindWindowByXWindow(event->xany.window) != nullptr;
}

void TranslateEvent(XEvent& event) {
    x11::PlatformState& state = x11::State();
    HWND window = x11::FindWindowByXWindow(event.xany.window);
    if (window == nullptr) return;  // a window already destroyed, or not ours
    if (IsInputEvent(event.type)) {
        x11::DeliverInputEvent(event);
        return;
    }

    switch (event.type) {
        case ConfigureNotify:
            // Only the newest size matters; a resize burst becomes one WM_SIZE.
            while (
                XCheckTypedWindowEvent(state.display, window->xwindow, ConfigureNotify, &event)) {
            }
            x11::NotifyClientSize(window, event.xconfigure.width, event.xconfigure.height);
            break;
        case FocusIn:
            if (IsFocusNoise(event.xfocus)) break;
            state.focusWindow = window;
            x11::Activate(window);
            break;
        case FocusOut:
            // Keys let go of while another window (or a grab) has the keyboard
            // are never reported here, so the devices drop every key now.
            if (event.xfocus.detail != NotifyInferior) x11::DeliverInputEvent(event);
            if (IsFocusNoise(event.xfocus) || state.focusWindow != window) break;
            state.focusWindow = nullptr;
            x11::Deactivate(window);
            break;
        case ClientMessage:
            if (event.xclient.message_type == state.wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == state.wmDeleteWindow) {
                SendMessageA(window, WM_CLOSE, 0, 0);
            }
            break;
        case DestroyNotify:
            // Someone else destroyed the window (the layer's own DestroyWindow
            // drops the record first): nothing can be shown any more, so the
            // window closes, as if from its close button.
            window->goneFromServer = true;
            window->mapped = false;
            if (state.focusWindow == window) state.focusWindow = nullptr;
            SendMessageA(window, WM_CLOSE, 0, 0);
            break;
        case MapNotify:
            window->mapped = true;
            break;
        case UnmapNotify:
            window->mapped = false;
            break;
        default:
            break;
    }
}

// Handles the X events already received, and no more: a procedure that makes
// new events cannot keep this loop going.
void DrainXEvents() {
    Display* display = x11::State().display;
    if (display == nullptr) return;
    for (int budget = XPending(display); budget > 0 && XQLength(display) > 0; --budget) {
        XEvent event{};
        XNextEvent(display, &event);
        TranslateEvent(event);
    }
}

// A Ctrl+C or a kill closes the window the way its close button would. With
// no window yet the signal waits for one.
void DeliverTerminationSignal() {
    const std::vector<HWND>& windows = x11::State().windows;
    if (windows.empty()) return;
    if (x11::TakePendingTerminationSignal()) SendMessageA(windows.front(), WM_CLOSE, 0, 0);
}

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window != nullptr && msg.hwnd != window) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

}  // namespace

namespace x11 {

void DeliverInputEvent(const XEvent& event) {
    for (InputListener* listener : State().inputListeners) listener->OnInputEvent(event);
}

void DeliverQueuedInputEvents() {
    Display* display = State().display;
    // Only what Xlib has already read: the message loop reads the connection
    // every pass, and a device read should cost no system call of its own.
    if (display == nullptr || XQLength(display) == 0) return;
    XEvent event{};
    for (;;) {
        bool focusSeen = false;
        if (!XCheckIfEvent(display, &event, IsInputBeforeFocusChange,
                           reinterpret_cast<XPointer>(&focusSeen))) {
            return;
        }
        DeliverInputEvent(event);
    }
}

void Activate(HWND window) {
    PlatformState& state = State();
    if (state.activeWindow == window) return;
    if (state.activeWindow != nullptr) Deactivate(state.activeWindow);
    // The procedure may have destroyed the window on deactivation of the other.
    if (FindWindowRecord(window) == nullptr) return;
    state.activeWindow = window;
    SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
}

void Deactivate(HWND window) {
    PlatformState& state = State();
    if (state.activeWindow != window) return;
    state.activeWindow = nullptr;
    SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    // The procedure may have destroyed the window on deactivation.
    if (FindWindowRecord(window) != nullptr) SendMessageA(window, WM_KILLFOCUS, 0, 0);
}

}  // namespace x11

// Takes the next message without waiting; FALSE when there is none.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (msg == nullptr) return FALSE;
    if (window != nullptr && x11::FindWindowRecord(window) == nullptr) return FALSE;
    DrainXEvents();
    DeliverTerminationSignal();
    // A procedure run above may have destroyed the filter window.
    if (window != nullptr && x11::FindWindowRecord(window) == nullptr) return FALSE;

    x11::PlatformState& state = x11::State();
    for (auto it = state.postedMessages.begin(); it != state.postedMessages.end(); ++it) {
        if (!Matches(*it, window, filterMin, filterMax)) continue;
        *msg = *it;
        if ((removeFlags & PM_REMOVE) != 0) state.postedMessages.erase(it);
        return TRUE;
    }
    // WM_QUIT belongs to no window and comes after every posted message; the
    // message range does not hold it back.
    if (state.quitPosted && window == nullptr) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(state.quitExitCode);
        msg->time = MillisecondsNow();
        if ((removeFlags & PM_REMOVE) != 0) state.quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

// No character messages are made: the program reads keys through DirectInput.
BOOL TranslateMessage(const MSG* /*msg*/) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    x11::PlatformState& state = x11::State();
    state.quitPosted = true;
    state.quitExitCode = exitCode;
}

// Queues a message for a window (or, with no window, for the thread).
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && x11::FindWindowRecord(window) == nullptr) return FALSE;
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = MillisecondsNow();
    x11::State().postedMessages.push_back(msg);
    return TRUE;
}

// Calls the window procedure directly and returns its result.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (x11::FindWindowRecord(window) == nullptr || window->procedure == nullptr) return 0;
    return window->procedure(window, message, wParam, lParam);
}

// The default handling of the messages the program passes on.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SYSCOMMAND:
            // The low four bits of a system command are the system's own.
            if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        default:
            return 0;
    }
}
