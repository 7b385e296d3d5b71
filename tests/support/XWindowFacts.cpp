#include "support/XWindowFacts.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/Testing.h"
#include "support/XInputLock.h"

namespace {

Display* Connection() {
    return static_cast<Display*>(platformtest::XDisplayConnection());
}

}  // namespace

XWindowFacts QueryXWindow(HWND window) {
    XWindowFacts facts;
    Display* display = Connection();
    Window xwindow = platformtest::XWindowOf(window);
    if (display == nullptr || xwindow == 0) return facts;

    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, xwindow, &attributes)) return facts;
    facts.exists = true;
    facts.width = attributes.width;
    facts.height = attributes.height;
    facts.viewable = attributes.map_state == IsViewable;

    char* name = nullptr;
    if (XFetchName(display, xwindow, &name) && name != nullptr) {
        facts.title = name;
        XFree(name);
    }
    XClassHint hint;
    if (XGetClassHint(display, xwindow, &hint)) {
        if (hint.res_class != nullptr) facts.className = hint.res_class;
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return facts;
}

ScreenSize QueryScreenSize() {
    ScreenSize size;
    Display* display = Connection();
    if (display == nullptr) return size;
    size.width = DisplayWidth(display, DefaultScreen(display));
    size.height = DisplayHeight(display, DefaultScreen(display));
    return size;
}

void FocusRootWindow() {
    Display* display = Connection();
    if (display == nullptr) return;
    HoldXInputLock();
    XSetInputFocus(display, DefaultRootWindow(display), RevertToNone, CurrentTime);
    XSync(display, False);
}
