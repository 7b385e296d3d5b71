// Test support for the end-to-end tests: a fixture holding a connection of the
// test's own to the X display the tests run on (DISPLAY).
#pragma once

// GoogleTest goes before Xlib, whose None macro clashes with it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "the end-to-end tests need an X display (DISPLAY)";
    }
    void TearDown() override {
        if (display != nullptr) XCloseDisplay(display);
    }

    Display* display = nullptr;
};
