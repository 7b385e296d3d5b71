// The OpenGL camera on a real context: the view matrix it multiplies in, and when it refreshes
// its frustum.
#include <cstring>

#include <gtest/gtest.h>

#include "math/Mat4.h"
#include "math/MathConstants.h"
#include "scene/Frustum.h"
#include "scene/GLCamera.h"
#include "tests/scene/RenderedSceneFixture.h"

namespace {

class GLCameraTest : public RenderedSceneFixture {
protected:
    static Mat4 ModelView() {
        Mat4 matrix;
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix.m);
        return matrix;
    }

    // The point p (w = 1) transformed by matrix.
    static Vec3 Transform(const Mat4& matrix, const Vec3& p) {
        Vec3 out;
        float* coordinates[3] = {&out.x, &out.y, &out.z};
        for (int row = 0; row < 3; ++row) {
            *coordinates[row] = matrix.At(row, 0) * p.x + matrix.At(row, 1) * p.y +
                                matrix.At(row, 2) * p.z + matrix.At(row, 3);
        }
        return out;
    }

    GLCamera camera{kZeroVec3, kUnitXVec3, kUnitYVec3, kUnitZVec3};
};

TEST_F(GLCameraTest, PlacedCameraHasTheIdentityRotationAndMovesTheWorldBackByItsDistance) {
    camera.MoveTo(Vec3(0, 0, 1000), true);
    camera.ApplyView();

    const Mat4 view = ModelView();
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(view.At(row, column), row == column ? 1.0f : 0.0f) << row << column;
        }
    }
    EXPECT_EQ(view.At(0, 3), 0.0f);
    EXPECT_EQ(view.At(1, 3), 0.0f);
    EXPECT_EQ(view.At(2, 3), -1000.0f);
    EXPECT_EQ(view.At(3, 3), 1.0f);
}

TEST_F(GLCameraTest, ViewMatrixBringsTheEyeToTheOriginAndTheTargetOntoTheNegativeZAxis) {
    camera.MoveTo(Vec3(100, -200, 300), false);
    camera.Yaw(35.0f, true);
    camera.Pitch(-20.0f, false);
    camera.Roll(15.0f);
    camera.MoveAlongY(40.0f, true);
    camera.ApplyView();

    const Mat4 view = ModelView();
    const float distance = camera.GetViewVector().Length();
    const Vec3 eye = Transform(view, *camera.GetPosition());
    const Vec3 target = Transform(view, *camera.GetTarget());
    EXPECT_NEAR(eye.x, 0.0f, 1e-3f);
    EXPECT_NEAR(eye.y, 0.0f, 1e-3f);
    EXPECT_NEAR(eye.z, 0.0f, 1e-3f);
    EXPECT_NEAR(target.x, 0.0f, 1e-2f);
    EXPECT_NEAR(target.y, 0.0f, 1e-2f);
    EXPECT_NEAR(target.z, -distance, 1e-2f);

    // A point one unit along the camera's right and up axes lands on +x and +y.
    const Vec3 right = Transform(view, *camera.GetPosition() + *camera.GetXAxis());
    const Vec3 up = Transform(view, *camera.GetPosition() + *camera.GetYAxis());
    EXPECT_NEAR(right.x, 1.0f, 1e-3f);
    EXPECT_NEAR(up.y, 1.0f, 1e-3f);
}

TEST_F(GLCameraTest, ViewIsMultipliedIntoTheCurrentMatrixNotLoaded) {
    camera.MoveTo(Vec3(0, 0, 1000), true);
    glTranslatef(1.0f, 2.0f, 3.0f);
    camera.ApplyView();

    const Mat4 view = ModelView();
    EXPECT_EQ(view.At(0, 3), 1.0f);
    EXPECT_EQ(view.At(1, 3), 2.0f);
    EXPECT_EQ(view.At(2, 3), -997.0f);
}

TEST_F(GLCameraTest, FrustumIsRefreshedOnlyAfterTheCameraWasMarked) {
    Frustum* frustum = camera.GetFrustum();
    ASSERT_NE(frustum, nullptr);
    ASSERT_TRUE(camera.changed);  // the first drawn frame always computes the planes
    camera.ApplyView();
    EXPECT_FALSE(camera.changed);
    Plane before[6];
    std::memcpy(before, frustum->GetPlanes(), sizeof before);
    EXPECT_FLOAT_EQ(frustum->GetNearPlane()->c, -1.0f);

    // A narrower window and a drift through velocity do not mark the camera: the planes stay
    // as they were although the view volume has changed.
    renderer.Resize(240, 480, 90.0);
    camera.SetVelocity(Vec3(0, 0, -10));
    camera.Update(1.0f);
    renderer.BeginFrame();
    camera.ApplyView();
    EXPECT_EQ(std::memcmp(before, frustum->GetPlanes(), sizeof before), 0);

    // Any camera operation marks it, even one that moves nothing.
    camera.MoveAlongX(0.0f, false);
    EXPECT_TRUE(camera.changed);
    renderer.BeginFrame();
    camera.ApplyView();
    EXPECT_FALSE(camera.changed);
    EXPECT_NE(std::memcmp(before, frustum->GetPlanes(), sizeof before), 0);
    EXPECT_NEAR(frustum->GetNearPlane()->d, -0.1f - 10.0f, 1e-3f);  // the eye drifted to z = -10
}

}  // namespace
