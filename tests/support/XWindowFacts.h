// Test support: what the X server itself says about a window of the layer,
// without putting Xlib into the test files (its Drawable and None clash with
// the program's and GoogleTest's names).
#pragma once

#include <string>

#include "platform/Win32.h"

struct XWindowFacts {
    bool exists = false;
    std::string title;      // WM_NAME
    std::string className;  // the class part of WM_CLASS
    int width = 0;
    int height = 0;
    bool viewable = false;  // mapped and on screen
};

XWindowFacts QueryXWindow(HWND window);

struct ScreenSize {
    int width = 0;
    int height = 0;
};
ScreenSize QueryScreenSize();

// Gives the keyboard focus to the root window, away from every program window.
void FocusRootWindow();
