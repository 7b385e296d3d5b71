// The application shell on a real X server: start-up and its failures,
// window messages, the frame gate, display modes and teardown.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/FrameTimer.h"
#include "input/InputManager.h"
#include "platform/DirectInput.h"
#include "platform/Testing.h"
#include "render/GLRenderer.h"
#include "scene/Camera.h"
#include "support/CapturedStandardOutput.h"
#include "support/XInputLock.h"
#include "support/XWindowFacts.h"

namespace {

const char kStartUpLines[] =
    "Graphics Initialized\nTiming Initialized\nInput Initialized\nFinished Intialization\n";

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformtest::Reset();
        ASSERT_NE(platformtest::XDisplayConnection(), nullptr)
            << "the tests need an X display (DISPLAY)";
        // The App's window takes the keyboard focus, which all tests on the display share.
        HoldXInputLock();
        app = std::make_unique<App>();
        theApp = app.get();
    }
    void TearDown() override {
        app.reset();
        theApp = nullptr;
        platformtest::Reset();
    }

    bool Init() { return app->Init("Velmora", 640, 480, 32); }

    // Drains every message waiting for the window, as the main loop would.
    void PumpMessages() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitSeen = true;
                continue;
            }
            DispatchMessageA(&message);
        }
    }

    void ExpectBox(size_t index, const std::string& text, const std::string& caption,
                   unsigned type) {
        auto boxes = platformtest::ShownMessageBoxes();
        ASSERT_GT(boxes.size(), index);
        EXPECT_EQ(boxes[index].text, text);
        EXPECT_EQ(boxes[index].caption, caption);
        EXPECT_EQ(boxes[index].type, type);
        EXPECT_FALSE(boxes[index].hasOwner);
    }

    GLRenderer* Renderer() { return static_cast<GLRenderer*>(app->renderer); }

    CapturedStandardOutput output;
    std::unique_ptr<App> app;
    bool quitSeen = false;
};

TEST_F(AppTest, StartUpOpensTheWindowAndWritesItsProgressLines) {
    ASSERT_TRUE(Init());
    EXPECT_EQ(output.Text(), kStartUpLines);
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());
    EXPECT_FALSE(app->fullscreen);
    // The input manager's SetFocus activated the window while it was still hidden.
    EXPECT_TRUE(app->active);
    EXPECT_FALSE(app->quit);
    EXPECT_EQ(app->instance, GetModuleHandleA(nullptr));
    EXPECT_EQ(GetWindowLongA(app->window, GWL_STYLE),
              static_cast<LONG>(WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));

    XWindowFacts facts = QueryXWindow(app->window);
    ASSERT_TRUE(facts.exists);
    EXPECT_EQ(facts.title, "Velmora");
    EXPECT_EQ(facts.className, "App");
    // 640 x 480 is the whole window; the client area lies inside its frame.
    EXPECT_EQ(facts.width, 632);
    EXPECT_EQ(facts.height, 453);
    EXPECT_TRUE(facts.viewable);  // shown by the windowed display mode

    EXPECT_EQ(Renderer()->width, 632);
    EXPECT_EQ(Renderer()->height, 453);
    EXPECT_NE(Renderer()->renderContext, nullptr);
    EXPECT_GT(app->timer->ticksPerSecond, 0.0f);
}

TEST_F(AppTest, AnUnregisteredClassStopsStartUpWithItsMessage) {
    platformtest::FailNextCall("RegisterClassA");
    EXPECT_FALSE(Init());
    ExpectBox(0, "Failed To Register The Window Class.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(platformtest::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(output.Text(), "Window Creation Failure.\n");
    EXPECT_EQ(app->window, nullptr);
}

TEST_F(AppTest, AWindowThatCannotBeCreatedTearsDownThenReports) {
    platformtest::FailNextCall("CreateWindowExA");
    EXPECT_FALSE(Init());
    ExpectBox(0, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(platformtest::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(output.Text(), "Window Creation Failure.\n");
    // Teardown ran: the subsystems are gone and the class is free again.
    EXPECT_EQ(app->renderer, nullptr);
    EXPECT_EQ(app->timer, nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "App";
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    EXPECT_TRUE(UnregisterClassA("App", nullptr));
}

TEST_F(AppTest, ARenderingContextFailureShowsTheRenderersMessageOnly) {
    platformtest::FailNextCall("wglCreateContext");
    EXPECT_FALSE(Init());
    ExpectBox(0, "Can't Create A GL Rendering Context.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(platformtest::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(output.Text(), "");
}

TEST_F(AppTest, NoHighResolutionCounterStopsStartUpWithoutAMessage) {
    platformtest::FailNextCall("QueryPerformanceFrequency");
    EXPECT_FALSE(Init());
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());
    EXPECT_EQ(output.Text(), "Graphics Initialized\n");
}

TEST_F(AppTest, DirectInputThatIsNotAvailableStopsStartUpWithoutAMessage) {
    platformtest::FailNextCall("DirectInput8Create");
    EXPECT_FALSE(Init());
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());
    EXPECT_EQ(output.Text(), "Graphics Initialized\nTiming Initialized\n");
}

// The window is active from before its devices exist, so no activation takes them: the main
// loop's set-up does, once the window is shown and in front.
TEST_F(AppTest, DevicesAreTakenOnceTheWindowIsInFrontAndEscapeEndsTheLoopAfterItsFrame) {
    ASSERT_TRUE(Init());
    ASSERT_TRUE(app->RunSetup());  // shows and focuses the window
    PumpMessages();
    ASSERT_TRUE(app->active);

    platformtest::SetPerformanceCounter(5000000000);
    app->RunOnePass();
    EXPECT_FALSE(app->quit);
    int64_t framesBefore = app->timer->currentCount;

    platformtest::PressKey(DIK_ESCAPE);
    platformtest::AdvancePerformanceCounter(1000);
    app->RunOnePass();
    platformtest::ReleaseKey(DIK_ESCAPE);
    EXPECT_TRUE(app->quit);
    EXPECT_GT(app->timer->currentCount, framesBefore);  // that pass still ran its frame
    EXPECT_TRUE(app->input->KeyDown(DIK_ESCAPE));
}

TEST_F(AppTest, SizeMessagesReachTheRendererAndHeightZeroBecomesOne) {
    ASSERT_TRUE(Init());
    EXPECT_EQ(SendMessageA(app->window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 200)), 0);
    EXPECT_EQ(Renderer()->width, 320);
    EXPECT_EQ(Renderer()->height, 200);
    EXPECT_EQ(SendMessageA(app->window, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0)), 0);
    EXPECT_EQ(Renderer()->height, 1);
}

TEST_F(AppTest, ActivationFollowsTheLowWordOnlyAndLosingFocusDeactivates) {
    ASSERT_TRUE(Init());
    EXPECT_EQ(SendMessageA(app->window, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    EXPECT_TRUE(app->active);
    SendMessageA(app->window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(app->active);
    SendMessageA(app->window, WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0);  // minimised flag set
    EXPECT_TRUE(app->active);
    EXPECT_EQ(SendMessageA(app->window, WM_KILLFOCUS, 0, 0), 0);
    EXPECT_FALSE(app->active);
}

TEST_F(AppTest, RealFocusChangesActivateAndDeactivateTheApp) {
    ASSERT_TRUE(Init());
    SetFocus(app->window);
    PumpMessages();
    EXPECT_TRUE(app->active);

    FocusRootWindow();
    PumpMessages();
    EXPECT_FALSE(app->active);
}

TEST_F(AppTest, CloseQuitsThroughTheMessageQueueAndKeepsTheWindow) {
    ASSERT_TRUE(Init());
    ASSERT_TRUE(app->RunSetup());
    EXPECT_EQ(SendMessageA(app->window, WM_CLOSE, 0, 0), 0);
    EXPECT_NE(platformtest::XWindowOf(app->window), 0u);
    for (int pass = 0; pass < 100 && !app->quit; ++pass) app->RunOnePass();
    EXPECT_TRUE(app->quit);
    EXPECT_NE(platformtest::XWindowOf(app->window), 0u);
}

TEST_F(AppTest, ScreenSaverAndMonitorPowerAreSwallowedOtherSystemCommandsAreNot) {
    ASSERT_TRUE(Init());
    EXPECT_EQ(SendMessageA(app->window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(SendMessageA(app->window, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    PumpMessages();
    EXPECT_FALSE(quitSeen);
    // SC_CLOSE goes to the default handling, which asks the window to close.
    SendMessageA(app->window, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_TRUE(quitSeen);
}

TEST_F(AppTest, AnInactiveWindowRunsNoFrameAndDoesNotTickTheTimer) {
    ASSERT_TRUE(Init());
    ASSERT_TRUE(app->RunSetup());
    PumpMessages();
    SendMessageA(app->window, WM_ACTIVATE, WA_INACTIVE, 0);
    platformtest::SetPerformanceCounter(1000000000);
    app->RunOnePass();
    app->timer->Tick();  // a reading to measure from
    int64_t before = app->timer->currentCount;

    platformtest::AdvancePerformanceCounter(3000000000);  // three seconds away
    for (int pass = 0; pass < 5; ++pass) app->RunOnePass();
    EXPECT_EQ(app->timer->currentCount, before);

    SendMessageA(app->window, WM_ACTIVATE, WA_ACTIVE, 0);
    app->RunOnePass();
    EXPECT_NEAR(app->timer->frameSeconds, 3.0f, 1e-4f);  // the whole inactive span
}

TEST_F(AppTest, AnActiveFrameClearsTheWindowToBlack) {
    ASSERT_TRUE(Init());
    ASSERT_TRUE(app->RunSetup());
    PumpMessages();
    SendMessageA(app->window, WM_ACTIVATE, WA_ACTIVE, 0);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    app->RunOnePass();
    GLubyte pixel[4] = {1, 1, 1, 1};
    glReadBuffer(GL_FRONT);
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[2], 0);
}

TEST_F(AppTest, FullScreenCoversTheScreenAndTheWindowComesBackWhereItWas) {
    ASSERT_TRUE(Init());
    SetWindowPos(app->window, HWND_TOP, 40, 30, 640, 480, 0);
    RECT before;
    ASSERT_TRUE(GetWindowRect(app->window, &before));

    app->fullscreen = true;
    ASSERT_TRUE(app->ApplyDisplayMode());
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());
    EXPECT_EQ(
        GetWindowLongA(app->window, GWL_STYLE),
        static_cast<LONG>(WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_SYSMENU));
    EXPECT_EQ(app->windowRect.left, before.left);
    EXPECT_EQ(app->windowRect.top, before.top);
    EXPECT_EQ(app->windowRect.right, before.right);
    EXPECT_EQ(app->windowRect.bottom, before.bottom);

    // The client area covers the screen; the popup's one-pixel border lies outside it.
    RECT covering;
    ASSERT_TRUE(GetWindowRect(app->window, &covering));
    EXPECT_EQ(covering.left, -1);
    EXPECT_EQ(covering.top, -1);
    EXPECT_EQ(covering.right, QueryScreenSize().width + 1);
    EXPECT_EQ(covering.bottom, QueryScreenSize().height + 1);
    PumpMessages();
    EXPECT_EQ(Renderer()->width, QueryScreenSize().width);  // the new size reached the renderer

    app->fullscreen = false;
    ASSERT_TRUE(app->ApplyDisplayMode());
    RECT after;
    ASSERT_TRUE(GetWindowRect(app->window, &after));
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_EQ(GetWindowLongA(app->window, GWL_STYLE),
              static_cast<LONG>(WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
}

TEST_F(AppTest, TheLoopPlacesTheCameraAndEveryFrameAppliesItsView) {
    ASSERT_TRUE(Init());
    ASSERT_TRUE(app->RunSetup());
    ASSERT_NE(app->camera, nullptr);
    EXPECT_EQ(app->camera->GetPosition()->z, 1000.0f);
    EXPECT_EQ(app->camera->GetTarget()->z, 0.0f);
    EXPECT_EQ(app->camera->GetZAxis()->z, 1.0f);  // looking down -z at the origin

    PumpMessages();
    SendMessageA(app->window, WM_ACTIVATE, WA_ACTIVE, 0);
    app->RunOnePass();
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    EXPECT_FLOAT_EQ(modelView[14], -1000.0f);
    EXPECT_FLOAT_EQ(modelView[0], 1.0f);
    EXPECT_FLOAT_EQ(modelView[10], 1.0f);
}

const char kModeQuestion[] =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode "
    "Instead?";

TEST_F(AppTest, ARefusedModeAnsweredYesKeepsTheWindowAsItIs) {
    ASSERT_TRUE(Init());
    RECT before;
    GetWindowRect(app->window, &before);
    platformtest::FailNextCall("ChangeDisplaySettingsA");
    platformtest::ScriptMessageBoxAnswer(IDYES);
    app->fullscreen = true;
    EXPECT_TRUE(app->ApplyDisplayMode());
    EXPECT_FALSE(app->fullscreen);
    EXPECT_FALSE(app->quit);
    ExpectBox(0, kModeQuestion, "App", MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(platformtest::ShownMessageBoxes().size(), 1u);
    RECT after;
    GetWindowRect(app->window, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(GetWindowLongA(app->window, GWL_STYLE),
              static_cast<LONG>(WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));

    // The next attempt tries full screen anew.
    app->fullscreen = true;
    EXPECT_TRUE(app->ApplyDisplayMode());
    EXPECT_EQ(platformtest::ShownMessageBoxes().size(), 1u);
}

TEST_F(AppTest, ARefusedModeAnsweredNoClosesTheProgram) {
    ASSERT_TRUE(Init());
    platformtest::FailNextCall("ChangeDisplaySettingsA");
    platformtest::ScriptMessageBoxAnswer(IDNO);
    app->fullscreen = true;
    EXPECT_FALSE(app->ApplyDisplayMode());
    EXPECT_TRUE(app->quit);
    ExpectBox(0, kModeQuestion, "App", MB_YESNO | MB_ICONEXCLAMATION);
    ExpectBox(1, "Program Will Now Close.", "ERROR", MB_OK | MB_ICONSTOP);
}

TEST_F(AppTest, ShutdownReportsWhatItCannotReleaseAndCarriesOn) {
    ASSERT_TRUE(Init());
    platformtest::FailNextCall("DestroyWindow");
    platformtest::FailNextCall("UnregisterClassA");
    app->Shutdown();
    ExpectBox(0, "Could Not Release hWnd.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    ExpectBox(1, "Could Not Unregister Class.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(app->window, nullptr);
    EXPECT_EQ(app->instance, nullptr);
    EXPECT_EQ(app->renderer, nullptr);
    EXPECT_EQ(app->timer, nullptr);
}

TEST_F(AppTest, NormalTeardownShowsNothingAndFreesTheClass) {
    ASSERT_TRUE(Init());
    app.reset();
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "App";
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    EXPECT_TRUE(UnregisterClassA("App", nullptr));
}

}  // namespace
