// The application's commands driven through bindings, as the main loop runs
// them: the display mode on a real App, the camera the renderer makes.
#include <memory>

#include "input/Binding.h"
#include "input/CameraDashCommand.h"
#include "input/CameraMoveCommand.h"
#include "input/ChordTrigger.h"
#include "input/KeyTrigger.h"
#include "input/SequenceTrigger.h"
#include "input/ToggleFullscreenCommand.h"
#include "InputFixture.h"
#include "render/GLRenderer.h"
#include "scene/Camera.h"

namespace {

void Bind(InputManager& manager, Trigger* trigger, Command* command) {
    auto* binding = new Binding();
    binding->Set(trigger, command);
    manager.AddBinding(binding);
}

using ToggleFullscreenCommandTest = AppInputTest;

TEST_F(ToggleFullscreenCommandTest, AHeldChordSwitchesOnceAndAgainOnlyAfterALetGo) {
    const int keys[] = {DIK_RMENU, DIK_RETURN};
    Bind(manager, new ChordTrigger(keys, 2),
         new ToggleFullscreenCommand(&app->fullscreen, app.get()));

    platformtest::PressKey(DIK_RMENU);
    ASSERT_EQ(Press(DIK_RETURN), 1);
    EXPECT_TRUE(app->fullscreen);
    // The mode was applied, not only the flag flipped.
    EXPECT_EQ(GetWindowLongA(app->window, GWL_STYLE) & WS_POPUP, WS_POPUP);
    for (int frame = 0; frame < 10; ++frame) ASSERT_EQ(Frame(), 1);
    EXPECT_TRUE(app->fullscreen);

    Let(DIK_RETURN);
    EXPECT_TRUE(app->fullscreen);
    ASSERT_EQ(Press(DIK_RETURN), 1);
    EXPECT_FALSE(app->fullscreen);
    Frame();
    EXPECT_FALSE(app->fullscreen);
}

// The camera of the program, at (0, 0, 1000) looking at the origin, with the
// arrow and dash bindings of the program.
class CameraCommandTest : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        camera.reset(renderer.CreateCamera());
        ASSERT_NE(camera, nullptr);
        camera->MoveTo(Vec3(0.0f, 0.0f, 1000.0f), true);
        Camera* eye = camera.get();
        Bind(manager, new KeyTrigger(DIK_LEFT), new CameraMoveCommand(eye, 0, -1.0f, false));
        Bind(manager, new KeyTrigger(DIK_RIGHT), new CameraMoveCommand(eye, 0, 1.0f, false));
        int* combo = new int[3]{DIK_LEFT, DIK_RIGHT, DIK_LEFT};
        dash = new CameraDashCommand(eye);
        Bind(manager, new SequenceTrigger(combo, 3, nullptr, 0.33f), dash);
    }
    // Input, then the camera's own step, as in a frame of the main loop.
    void CameraFrame(int milliseconds) {
        Frame(milliseconds);
        camera->Update(timer.frameSeconds);
    }
    void ExpectEye(float x, float y, float z) {
        EXPECT_FLOAT_EQ(camera->GetPosition()->x, x);
        EXPECT_FLOAT_EQ(camera->GetPosition()->y, y);
        EXPECT_FLOAT_EQ(camera->GetPosition()->z, z);
    }

    GLRenderer renderer;
    std::unique_ptr<Camera> camera;
    CameraDashCommand* dash = nullptr;
};

TEST_F(CameraCommandTest, ArrowsSlideEyeAndTargetOneUnitPerFrame) {
    platformtest::PressKey(DIK_LEFT);
    for (int frame = 0; frame < 3; ++frame) CameraFrame(10);
    ExpectEye(-3.0f, 0.0f, 1000.0f);
    EXPECT_FLOAT_EQ(camera->GetTarget()->x, -3.0f);
    EXPECT_FLOAT_EQ(camera->GetTarget()->z, 0.0f);

    platformtest::PressKey(DIK_RIGHT);
    CameraFrame(10);
    ExpectEye(-3.0f, 0.0f, 1000.0f);

    CameraMoveCommand back(camera.get(), 7, 5.0f, false);  // any axis but 0 and 1 is z
    back.Execute(true);
    ExpectEye(-3.0f, 0.0f, 1005.0f);
}

TEST_F(CameraCommandTest, TheComboDashesTheEyeForOneFrameAfterThatFramesMove) {
    platformtest::PressKey(DIK_LEFT);
    CameraFrame(10);
    platformtest::ReleaseKey(DIK_LEFT);
    platformtest::PressKey(DIK_RIGHT);
    CameraFrame(100);
    platformtest::ReleaseKey(DIK_RIGHT);
    platformtest::PressKey(DIK_LEFT);
    Frame(50);
    // The Left move of this frame came first: the eye is at x -1 again.
    EXPECT_EQ(dash->active, 1);
    EXPECT_FLOAT_EQ(camera->velocity.x, 0.0f);
    EXPECT_FLOAT_EQ(camera->velocity.z, -10000.0f);
    camera->Update(timer.frameSeconds);
    ExpectEye(-1.0f, 0.0f, 500.0f);  // 10 x 0.05 s of the way to the target

    CameraFrame(50);  // Left still held: one more unit sideways, no drift
    EXPECT_EQ(dash->active, 0);
    EXPECT_FLOAT_EQ(camera->velocity.z, 0.0f);
    ExpectEye(-2.0f, 0.0f, 500.0f);
}

}  // namespace
