// The six frustum planes as they come out of OpenGL's projection (90 degrees vertically, 640 x
// 480, near 0.1, far 10000) and the camera's view matrix.
#include <cmath>

#include <gtest/gtest.h>

#include "math/MathConstants.h"
#include "scene/GLCamera.h"
#include "scene/GLFrustum.h"
#include "tests/scene/RenderedSceneFixture.h"

namespace {

constexpr float kAspect = 640.0f / 480.0f;

class GLFrustumTest : public RenderedSceneFixture {
protected:
    // Applies the camera's view to the identity model-view and returns its refreshed planes.
    static Frustum& Refresh(GLCamera& camera) {
        camera.changed = true;
        camera.ApplyView();
        return *camera.GetFrustum();
    }

    GLCamera camera{kZeroVec3, kUnitXVec3, kUnitYVec3, kUnitZVec3};
};

TEST_F(GLFrustumTest, CameraAtTheOriginLookingDownNegativeZ) {
    Frustum& frustum = Refresh(camera);
    for (int i = 0; i < 6; ++i) {
        const Plane& p = *frustum.GetPlane(i);
        EXPECT_NEAR(std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c), 1.0f, 1e-6f) << i;
    }

    const Plane& nearPlane = *frustum.GetNearPlane();
    EXPECT_NEAR(nearPlane.a, 0.0f, 1e-6f);
    EXPECT_NEAR(nearPlane.b, 0.0f, 1e-6f);
    EXPECT_NEAR(nearPlane.c, -1.0f, 1e-6f);
    EXPECT_NEAR(nearPlane.d, -0.1f, 1e-5f);
    const Plane& farPlane = *frustum.GetFarPlane();
    EXPECT_NEAR(farPlane.a, 0.0f, 1e-6f);
    EXPECT_NEAR(farPlane.b, 0.0f, 1e-6f);
    EXPECT_NEAR(farPlane.c, 1.0f, 1e-6f);
    // The far plane comes from the difference of two nearly equal matrix rows, so single
    // precision places it only to within a fraction of a percent.
    EXPECT_NEAR(farPlane.d, 10000.0f, 50.0f);

    // At a depth of 10 the view reaches 10 up and down and 10 * aspect to each side.
    EXPECT_NEAR(frustum.GetTopPlane()->Distance(Vec3(0, 10, -10)), 0.0f, 1e-4f);
    EXPECT_NEAR(frustum.GetBottomPlane()->Distance(Vec3(0, -10, -10)), 0.0f, 1e-4f);
    EXPECT_NEAR(frustum.GetRightPlane()->Distance(Vec3(10 * kAspect, 0, -10)), 0.0f, 1e-4f);
    EXPECT_NEAR(frustum.GetLeftPlane()->Distance(Vec3(-10 * kAspect, 0, -10)), 0.0f, 1e-4f);
    EXPECT_LT(frustum.GetTopPlane()->Distance(Vec3(0, 11, -10)), 0.0f);
    EXPECT_LT(frustum.GetLeftPlane()->Distance(Vec3(-14, 0, -10)), 0.0f);

    for (int i = 0; i < 6; ++i) EXPECT_GT(frustum.GetPlane(i)->Distance(Vec3(0, 0, -10)), 0.0f);
    EXPECT_LT(nearPlane.Distance(Vec3(0, 0, 1)), 0.0f);
    EXPECT_LT(farPlane.Distance(Vec3(0, 0, -20000)), 0.0f);
}

TEST_F(GLFrustumTest, PlanesAreStoredRightLeftBottomTopFarNear) {
    Frustum& frustum = Refresh(camera);
    Plane* planes = frustum.GetPlanes();
    EXPECT_EQ(frustum.GetRightPlane(), &planes[0]);
    EXPECT_EQ(frustum.GetLeftPlane(), &planes[1]);
    EXPECT_EQ(frustum.GetBottomPlane(), &planes[2]);
    EXPECT_EQ(frustum.GetTopPlane(), &planes[3]);
    EXPECT_EQ(frustum.GetFarPlane(), &planes[4]);
    EXPECT_EQ(frustum.GetNearPlane(), &planes[5]);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(frustum.GetPlane(i), &planes[i]);
    EXPECT_EQ(frustum.GetPlane(-1), nullptr);
    EXPECT_EQ(frustum.GetPlane(6), nullptr);

    // The side planes lean inwards: the right one faces -x, the top one -y.
    EXPECT_LT(frustum.GetRightPlane()->a, 0.0f);
    EXPECT_GT(frustum.GetLeftPlane()->a, 0.0f);
    EXPECT_GT(frustum.GetBottomPlane()->b, 0.0f);
    EXPECT_LT(frustum.GetTopPlane()->b, 0.0f);
}

TEST_F(GLFrustumTest, PlanesFollowTheCameraIntoWorldSpace) {
    GLCamera reference(kZeroVec3, kUnitXVec3, kUnitYVec3, kUnitZVec3);
    Plane atOrigin[6];
    Frustum& reach = Refresh(reference);
    for (int i = 0; i < 6; ++i) atOrigin[i] = *reach.GetPlane(i);

    camera.MoveTo(Vec3(0, 0, 1000), true);
    camera.MoveTo(Vec3(300, -50, 900), false);
    camera.Yaw(40.0f, false);
    camera.Pitch(15.0f, true);
    camera.Roll(-25.0f);
    renderer.BeginFrame();
    Frustum& frustum = Refresh(camera);

    // A point given in the camera's own frame lies at the same distance from each plane as it
    // does from the planes of a camera at the origin with the unit axes.
    const Vec3 eye = *camera.GetPosition();
    const Vec3 samples[] = {Vec3(0, 0, -10), Vec3(3, -2, -5),    Vec3(-40, 25, -30),
                            Vec3(0, 0, 2),   Vec3(500, 0, -100), Vec3(1, 1, -9000)};
    for (const Vec3& local : samples) {
        const Vec3 world = eye + *camera.GetXAxis() * local.x + *camera.GetYAxis() * local.y +
                           *camera.GetZAxis() * local.z;
        for (int i = 0; i < 6; ++i) {
            const float expected = atOrigin[i].Distance(local);
            const float tolerance =
                i == Frustum::kFar ? 50.0f : 1e-3f * (1.0f + std::fabs(expected));
            EXPECT_NEAR(frustum.GetPlane(i)->Distance(world), expected, tolerance)
                << "plane " << i << " at local (" << local.x << ", " << local.y << ", " << local.z
                << ")";
        }
    }
}

TEST_F(GLFrustumTest, DegenerateMatricesLeaveFinitePlanes) {
    // A zero projection has no view volume; the planes must not turn into NaNs.
    const GLfloat zero[16] = {};
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(zero);
    glMatrixMode(GL_MODELVIEW);

    GLFrustum frustum;
    frustum.Update();
    for (int i = 0; i < 6; ++i) {
        const Plane& p = *frustum.GetPlane(i);
        EXPECT_TRUE(std::isfinite(p.a) && std::isfinite(p.b) && std::isfinite(p.c) &&
                    std::isfinite(p.d))
            << i;
    }
}

}  // namespace
