// Display modes and the full-screen window, the way the program switches:
// mode, popup style, SW_SHOWMAXIMIZED; and back: desktop mode, windowed style,
// SW_RESTORE, SetWindowPos to the saved rectangle.
// GoogleTest comes before Xlib: Xlib's macros (None, Bool) break its templates.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include "platform/Testing.h"
#include "platform/Win32.h"
#include "tests/support/TestWindow.h"

namespace {

const LONG kWindowedStyle = static_cast<LONG>(0x06CF0000);
const LONG kFullscreenStyle = static_cast<LONG>(0x86880000u);

Display* XDisplay() {
    return static_cast<Display*>(platformtest::XDisplayConnection());
}

DEVMODEA Mode(DWORD width, DWORD height, DWORD bits) {
    DEVMODEA mode{};
    mode.dmSize = 148;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = bits;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return mode;
}

class DisplayModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformtest::Reset();
        ASSERT_NE(XDisplay(), nullptr)
            << "display mode tests need an X display: set DISPLAY (Xvfb)";
        screenWidth = DisplayWidth(XDisplay(), DefaultScreen(XDisplay()));
        screenHeight = DisplayHeight(XDisplay(), DefaultScreen(XDisplay()));
        ASSERT_GE(screenWidth, 640);
        ASSERT_GE(screenHeight, 480);
    }
    void TearDown() override {
        ChangeDisplaySettingsA(nullptr, 0);
        PumpMessages();
        platformtest::Reset();
    }

    int screenWidth = 0;
    int screenHeight = 0;
};

TEST_F(DisplayModeTest, ModesAreCheckedAgainstTheScreen) {
    DEVMODEA mode = Mode(640, 480, 32);
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    DEVMODEA whole = Mode(static_cast<DWORD>(screenWidth), static_cast<DWORD>(screenHeight), 24);
    EXPECT_EQ(ChangeDisplaySettingsA(&whole, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    DEVMODEA sizeOnly = Mode(800, 600, 0);
    sizeOnly.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    EXPECT_EQ(ChangeDisplaySettingsA(&sizeOnly, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);

    DEVMODEA wide = Mode(static_cast<DWORD>(screenWidth) + 1, 480, 32);
    EXPECT_EQ(ChangeDisplaySettingsA(&wide, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    DEVMODEA tall = Mode(640, static_cast<DWORD>(screenHeight) + 1, 32);
    EXPECT_EQ(ChangeDisplaySettingsA(&tall, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    DEVMODEA deep = Mode(640, 480, 64);
    EXPECT_EQ(ChangeDisplaySettingsA(&deep, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    DEVMODEA huge = Mode(0xFFFFFFFFu, 0xFFFFFFFFu, 32);
    EXPECT_EQ(ChangeDisplaySettingsA(&huge, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
}

TEST_F(DisplayModeTest, ScriptedFailureFailsOneChange) {
    DEVMODEA mode = Mode(640, 480, 32);
    platformtest::FailNextCall("ChangeDisplaySettingsA");
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
}

TEST_F(DisplayModeTest, FullscreenCoversScreenAndWindowedRestoresRect) {
    TestWindow window;
    ASSERT_TRUE(window.Create(640, 480, static_cast<DWORD>(kWindowedStyle)));
    HWND handle = window.Handle();
    ASSERT_TRUE(SetWindowPos(handle, HWND_TOP, 40, 30, 640, 480, SWP_SHOWWINDOW));
    RECT saved = WindowRectOf(handle);
    EXPECT_EQ(saved, (RECT{40, 30, 680, 510}));

    DEVMODEA mode = Mode(640, 480, 32);
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    SetWindowLongA(handle, GWL_STYLE, kFullscreenStyle);
    window.ClearMessages();
    ShowWindow(handle, SW_SHOWMAXIMIZED);
    // The client area covers the screen; the popup's one-pixel border lies outside it.
    EXPECT_EQ(WindowRectOf(handle), (RECT{-1, -1, screenWidth + 1, screenHeight + 1}));
    EXPECT_EQ(ClientRectOf(handle), (RECT{0, 0, screenWidth, screenHeight}));
    ASSERT_EQ(window.CountOf(WM_SIZE), 1);
    EXPECT_EQ(window.Messages().back().lParam, MAKELPARAM(screenWidth, screenHeight));

    ChangeDisplaySettingsA(nullptr, CDS_FULLSCREEN);
    SetWindowLongA(handle, GWL_STYLE, kWindowedStyle);
    ShowWindow(handle, SW_RESTORE);
    SetWindowPos(handle, HWND_TOP, saved.left, saved.top, saved.right - saved.left,
                 saved.bottom - saved.top, SWP_SHOWWINDOW);
    EXPECT_EQ(WindowRectOf(handle), saved);
    PumpMessages();
    // The client area inside the frame: 4 pixels at the sides and below, 23 above.
    EXPECT_EQ(window.Messages().back().lParam, MAKELPARAM(632, 453));
}

TEST_F(DisplayModeTest, RestoreAloneReturnsToThePlacementBeforeFullscreen) {
    TestWindow window;
    ASSERT_TRUE(window.Create(200, 150, static_cast<DWORD>(kWindowedStyle), 12, 34));
    RECT before = WindowRectOf(window.Handle());
    DEVMODEA mode = Mode(640, 480, 32);
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    SetWindowLongA(window.Handle(), GWL_STYLE, kFullscreenStyle);
    ShowWindow(window.Handle(), SW_SHOWMAXIMIZED);
    EXPECT_EQ(ClientRectOf(window.Handle()), (RECT{0, 0, screenWidth, screenHeight}));
    // The window rectangle comes back; the client area inside it has the popup's frame now.
    ShowWindow(window.Handle(), SW_RESTORE);
    EXPECT_EQ(WindowRectOf(window.Handle()), before);
    EXPECT_EQ(ClientRectOf(window.Handle()),
              (RECT{0, 0, before.right - before.left - 2, before.bottom - before.top - 2}));
}

TEST_F(DisplayModeTest, MaximisedWithoutModeOrPopupStyleDoesNotCoverScreen) {
    TestWindow window;
    ASSERT_TRUE(window.Create(200, 150, static_cast<DWORD>(kFullscreenStyle), 10, 10));
    RECT before = WindowRectOf(window.Handle());
    EXPECT_EQ(before, (RECT{10, 10, 212, 162})) << "the popup's border around 200 x 150";
    ShowWindow(window.Handle(), SW_SHOWMAXIMIZED);
    EXPECT_EQ(WindowRectOf(window.Handle()), before);

    DEVMODEA mode = Mode(640, 480, 32);
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    SetWindowLongA(window.Handle(), GWL_STYLE, kWindowedStyle);
    ShowWindow(window.Handle(), SW_SHOWMAXIMIZED);
    EXPECT_EQ(WindowRectOf(window.Handle()), before);
}

}  // namespace
