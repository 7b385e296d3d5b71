// What a window of the program shows, reduced to what the end-to-end tests
// look at: where the lit pixels are, and how many have the robot's colours.
#pragma once

#include <gtest/gtest.h>
// After GoogleTest: the X headers define None and Bool as macros.
#include <X11/Xlib.h>

struct Picture {
    int width = 0, height = 0;  // the window's, which the picture covers
    int lit = 0;
    int pale = 0;  // light grey to white: the robot's body
    int warm = 0;  // orange: its shoulders and feet
    int left = 0, right = -1, top = 0, bottom = -1;
    double centreX = 0.0, centreY = 0.0;
};

// Looks at the whole window; an empty picture when it cannot be read.
Picture TakePicture(Display* display, Window window);

// Checks that picture shows the robot of the level as the program first shows it: standing in
// the middle, lit, in its colours.
void ExpectTheRobotAsFirstShown(const Picture& picture);

// The window's size and its place on the screen.
struct Placement {
    int x = 0, y = 0, width = 0, height = 0;
};

// Zero everywhere when the window cannot be read.
Placement PlacementOf(Display* display, Window window);
