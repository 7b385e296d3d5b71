// The OpenGL device on a real window and a real rendering context: the state
// it sets is read back from OpenGL, its failures from the message boxes shown.
#include <cmath>
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Testing.h"
#include "render/Drawable.h"
#include "render/GLRenderer.h"
#include "scene/GLCamera.h"
#include "support/TestWindow.h"

namespace {

// A hidden 640 x 480 window to draw into; the renderer is created on it per test.
class GLRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformtest::Reset();
        ASSERT_TRUE(testWindow.Create(640, 480)) << "the tests need an X display (DISPLAY)";
        window = testWindow.Handle();
    }
    void TearDown() override {
        renderer.Release();
        testWindow.Close();
        platformtest::Reset();
    }

    bool Create() {
        return renderer.Create(window, GetModuleHandleA(nullptr), 640, 480, 32, false);
    }

    void ExpectOnlyBox(const std::string& text, const std::string& caption, unsigned type) {
        auto boxes = platformtest::ShownMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].caption, caption);
        EXPECT_EQ(boxes[0].type, type);
        EXPECT_FALSE(boxes[0].hasOwner);
    }

    TestWindow testWindow;
    HWND window = nullptr;
    GLRenderer renderer;
};

GLint Integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

TEST_F(GLRendererTest, CreateSetsTheFixedStateThatOpenGLReportsBack) {
    ASSERT_TRUE(Create());
    EXPECT_EQ(renderer.width, 640);
    EXPECT_EQ(renderer.height, 480);
    EXPECT_EQ(renderer.bits, 32);
    EXPECT_FLOAT_EQ(renderer.nearPlane, 0.1f);
    EXPECT_FLOAT_EQ(renderer.farPlane, 10000.0f);
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());

    EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_SMOOTH);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_EQ(clear[1], 0.0f);
    EXPECT_EQ(clear[2], 0.0f);
    EXPECT_EQ(clear[3], 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_EQ(Integer(GL_PERSPECTIVE_CORRECTION_HINT), GL_NICEST);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(Integer(GL_LIGHT_MODEL_COLOR_CONTROL), GL_SEPARATE_SPECULAR_COLOR);

    GLfloat diffuse[4], specular[4], ambient[4], position[4];
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(diffuse[i], 0.85f);
        EXPECT_FLOAT_EQ(specular[i], 0.5f);
        EXPECT_EQ(ambient[i], 0.0f);  // the light keeps its default ambient colour
    }
    EXPECT_EQ(position[2], 1.0f);  // ... and its default position on +z
    EXPECT_EQ(position[3], 0.0f);

    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(Integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(Integer(GL_COLOR_MATERIAL_FACE), GL_FRONT);
    EXPECT_EQ(Integer(GL_COLOR_MATERIAL_PARAMETER), GL_DIFFUSE);
    EXPECT_EQ(Integer(GL_UNPACK_ALIGNMENT), 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLRendererTest, TheWhiteTextureIsNameOneAndStaysBound) {
    ASSERT_TRUE(Create());
    EXPECT_EQ(renderer.whiteTexture, 1u);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 1);

    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 64);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
    EXPECT_EQ(value, 64);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_EQ(value, GL_ALPHA);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);

    GLubyte texels[64 * 64];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels);
    for (GLubyte texel : texels) ASSERT_EQ(texel, 255);
}

// The projection that gluPerspective(90, aspect, 0.1, 10000) builds, element
// by element (column-major): cot(45 degrees) = 1.
void ExpectNinetyDegreeProjection(double aspect) {
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], 1.0 / aspect, 1e-6);
    EXPECT_NEAR(projection[5], 1.0, 1e-6);
    EXPECT_NEAR(projection[10], -(10000.0 + 0.1) / (10000.0 - 0.1), 1e-6);
    EXPECT_NEAR(projection[11], -1.0, 1e-6);
    EXPECT_NEAR(projection[14], -2.0 * 10000.0 * 0.1 / (10000.0 - 0.1), 1e-5);
}

TEST_F(GLRendererTest, ResizeSetsViewportAndPerspectiveAndLeavesModelView) {
    ASSERT_TRUE(Create());
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    ExpectNinetyDegreeProjection(640.0 / 480.0);

    EXPECT_TRUE(renderer.Resize(800, 200, 90.0));
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 200);
    ExpectNinetyDegreeProjection(4.0);
    EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelView[i], (i % 5 == 0) ? 1.0f : 0.0f);
}

TEST_F(GLRendererTest, ResizeWithHeightZeroUsesOne) {
    ASSERT_TRUE(Create());
    EXPECT_TRUE(renderer.Resize(300, 0, 90.0));
    EXPECT_EQ(renderer.width, 300);
    EXPECT_EQ(renderer.height, 1);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    ExpectNinetyDegreeProjection(300.0);  // the aspect ratio becomes the width
}

TEST_F(GLRendererTest, ResizeBeforeCreateOnlyStoresTheSizeAndCreateUsesItsOwn) {
    EXPECT_TRUE(renderer.Resize(1000, 0, 90.0));
    EXPECT_EQ(renderer.width, 1000);
    EXPECT_EQ(renderer.height, 1);
    ASSERT_TRUE(Create());
    EXPECT_EQ(renderer.width, 640);
    EXPECT_EQ(renderer.height, 480);
    ExpectNinetyDegreeProjection(640.0 / 480.0);
}

TEST_F(GLRendererTest, BeginFrameClearsToBlackAndResetsTheModelView) {
    ASSERT_TRUE(Create());
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glTranslatef(5.0f, 6.0f, 7.0f);

    EXPECT_TRUE(renderer.BeginFrame());
    GLubyte pixel[4] = {9, 9, 9, 9};
    glReadBuffer(GL_BACK);
    glReadPixels(320, 240, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[2], 0);
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    EXPECT_EQ(modelView[12], 0.0f);
    EXPECT_EQ(modelView[13], 0.0f);
    EXPECT_EQ(modelView[14], 0.0f);
    EXPECT_TRUE(renderer.EndFrame());
}

TEST_F(GLRendererTest, EndFrameReportsAFailedSwap) {
    ASSERT_TRUE(Create());
    platformtest::FailNextCall("SwapBuffers");
    EXPECT_FALSE(renderer.EndFrame());
}

TEST_F(GLRendererTest, ReleaseWithNothingAcquiredSucceedsSilently) {
    EXPECT_TRUE(renderer.Release());
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());
}

TEST_F(GLRendererTest, ReleaseGivesUpBothContexts) {
    ASSERT_TRUE(Create());
    EXPECT_TRUE(renderer.Release());
    EXPECT_EQ(renderer.renderContext, nullptr);
    EXPECT_EQ(renderer.deviceContext, nullptr);
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());
    EXPECT_TRUE(renderer.Release());  // a second release has nothing left to do
}

struct CreateFailure {
    const char* call;
    const char* message;
};

std::ostream& operator<<(std::ostream& stream, const CreateFailure& failure) {
    return stream << failure.call;
}

class GLRendererCreateFailureTest : public GLRendererTest,
                                    public ::testing::WithParamInterface<CreateFailure> {};

TEST_P(GLRendererCreateFailureTest, ShowsItsMessageAndLeavesTheRendererReleased) {
    platformtest::FailNextCall(GetParam().call);
    EXPECT_FALSE(Create());
    ExpectOnlyBox(GetParam().message, "ERROR", MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(renderer.deviceContext, nullptr);
    EXPECT_EQ(renderer.renderContext, nullptr);
    EXPECT_EQ(platformtest::PendingFailures(), 0);

    // Released means the window can be given a renderer again.
    platformtest::ClearMessageBoxes();
    EXPECT_TRUE(Create());
    EXPECT_TRUE(platformtest::ShownMessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachStartUpStep, GLRendererCreateFailureTest,
    ::testing::Values(CreateFailure{"GetDC", "Can't Create A GL Device Context."},
                      CreateFailure{"ChoosePixelFormat", "Can't Find A Suitable PixelFormat."},
                      CreateFailure{"SetPixelFormat", "Can't Set The PixelFormat."},
                      CreateFailure{"wglCreateContext", "Can't Create A GL Rendering Context."},
                      CreateFailure{"wglMakeCurrent", "Can't Activate The GL Rendering Context."}),
    [](const ::testing::TestParamInfo<CreateFailure>& info) {
        return std::string(info.param.call);
    });

TEST_F(GLRendererTest, ReleaseStopsAtAFailedDeactivation) {
    ASSERT_TRUE(Create());
    platformtest::FailNextCall("wglMakeCurrent");
    EXPECT_FALSE(renderer.Release());
    ExpectOnlyBox("Release Of DC And RC Failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    EXPECT_NE(renderer.renderContext, nullptr);
    EXPECT_NE(renderer.deviceContext, nullptr);
}

TEST_F(GLRendererTest, ReleaseStopsAtAFailedContextDeletion) {
    ASSERT_TRUE(Create());
    platformtest::FailNextCall("wglDeleteContext");
    EXPECT_FALSE(renderer.Release());
    ExpectOnlyBox("Release Rendering Context Failed.", "SHUTDOWN ERROR",
                  MB_OK | MB_ICONINFORMATION);
    EXPECT_NE(renderer.deviceContext, nullptr);
}

TEST_F(GLRendererTest, AFailedDeviceContextReleaseIsReportedAndForgotten) {
    ASSERT_TRUE(Create());
    platformtest::FailNextCall("ReleaseDC");
    EXPECT_FALSE(renderer.Release());
    ExpectOnlyBox("Release Device Context Failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(renderer.renderContext, nullptr);
    EXPECT_EQ(renderer.deviceContext, nullptr);
}

// An object that notes in a shared log when it is asked to draw, and for which camera.
class LoggingObject : public Object3D {
public:
    struct Instance : Drawable {
        void Draw(Model*, Object3D* camera, const Transform&) override {
            log->push_back(name);
            lastCamera = camera;
        }
        void PushTransform(const Transform&) override {}
        void PopTransform() override {}
        std::vector<int>* log = nullptr;
        int name = 0;
        Object3D* lastCamera = nullptr;
    };

    LoggingObject(std::vector<int>& log, int name) {
        instance.log = &log;
        instance.name = name;
        SetRenderInstance(&instance);
    }
    Object3D* Clone() override { return nullptr; }
    const void* GetTypeId() const override { return nullptr; }

    Instance instance;
};

TEST(GLRendererSceneTest, CreateCameraMakesAnOpenGLCameraAtTheOriginWithTheUnitAxes) {
    GLRenderer renderer;
    Camera* camera = renderer.CreateCamera();
    ASSERT_NE(camera, nullptr);
    GLCamera other(Vec3(), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1));
    EXPECT_EQ(static_cast<GLCamera*>(camera)->GetGLTypeId(), other.GetGLTypeId());
    EXPECT_EQ(camera->GetPosition()->x, 0.0f);
    EXPECT_EQ(camera->GetPosition()->z, 0.0f);
    EXPECT_EQ(camera->GetXAxis()->x, 1.0f);
    EXPECT_EQ(camera->GetYAxis()->y, 1.0f);
    EXPECT_EQ(camera->GetZAxis()->z, 1.0f);
    EXPECT_NE(camera->GetFrustum(), nullptr);
    EXPECT_TRUE(camera->changed);
    delete camera;
}

TEST(GLRendererSceneTest, DrawObjectsDrawsEveryListedObjectInListOrderForTheCamera) {
    GLRenderer renderer;
    GLCamera camera(Vec3(), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1));
    std::vector<int> log;
    LoggingObject first(log, 1);
    LoggingObject second(log, 2);
    LoggingObject third(log, 3);
    std::list<Object3D*> objects = {&second, &first, nullptr, &third, &second};

    renderer.DrawObjects(objects, &camera);
    EXPECT_EQ(log, (std::vector<int>{2, 1, 3, 2}));
    EXPECT_EQ(first.instance.lastCamera, &camera);

    std::list<Object3D*> none;
    renderer.DrawObjects(none, &camera);
    EXPECT_EQ(log.size(), 4u);
}

}  // namespace
