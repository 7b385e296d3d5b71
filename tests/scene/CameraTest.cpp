// Camera movement and orientation, without a GL context: where the eye, the target and the axes
// end up, and which operations mark the camera for a frustum refresh.
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "math/MathConstants.h"
#include "scene/Camera.h"
#include "scene/GLCamera.h"

namespace {

void ExpectVec3Near(const Vec3& actual, const Vec3& expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectVec3Eq(const Vec3& actual, const Vec3& expected) {
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.z, expected.z);
}

Vec3 Unit(Vec3 v) {
    return v.Normalize();
}

// The axes form a right-handed orthonormal set and -zAxis points from the eye at the target.
void ExpectAimedAtTarget(Camera& camera) {
    const Vec3& x = *camera.GetXAxis();
    const Vec3& y = *camera.GetYAxis();
    const Vec3& z = *camera.GetZAxis();
    EXPECT_NEAR(x.Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(y.Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(z.Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(Dot(x, y), 0.0f, 1e-4f);
    EXPECT_NEAR(Dot(y, z), 0.0f, 1e-4f);
    EXPECT_NEAR(Dot(z, x), 0.0f, 1e-4f);
    ExpectVec3Near(Cross(x, y), z);
    ExpectVec3Near(z, Unit(*camera.GetPosition() - *camera.GetTarget()));
}

// The application's camera: made at the origin, then placed at (0, 0, 1000) looking at the
// origin.
class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { camera.MoveTo(Vec3(0, 0, 1000), true); }

    GLCamera camera{kZeroVec3, kUnitXVec3, kUnitYVec3, kUnitZVec3};
};

TEST_F(CameraTest, PlacedCameraLooksAtTheOriginWithItsAxesUnchanged) {
    ExpectVec3Eq(*camera.GetPosition(), Vec3(0, 0, 1000));
    ExpectVec3Eq(*camera.GetTarget(), Vec3(0, 0, 0));
    ExpectVec3Eq(camera.GetViewVector(), Vec3(0, 0, -1000));
    ExpectVec3Eq(*camera.GetXAxis(), Vec3(1, 0, 0));
    ExpectVec3Eq(*camera.GetYAxis(), Vec3(0, 1, 0));
    ExpectVec3Eq(*camera.GetZAxis(), Vec3(0, 0, 1));
    EXPECT_EQ(camera.GetHeading(), 0.0f);
    EXPECT_EQ(camera.GetPitch(), 0.0f);
    EXPECT_EQ(camera.GetRoll(), 0.0f);
    EXPECT_NE(camera.GetFrustum(), nullptr);
}

TEST_F(CameraTest, SlidingSidewaysMovesEyeAndTargetTogether) {
    camera.MoveAlongX(-1.0f, false);
    ExpectVec3Eq(*camera.GetPosition(), Vec3(-1, 0, 1000));
    ExpectVec3Eq(*camera.GetTarget(), Vec3(-1, 0, 0));
    ExpectVec3Eq(*camera.GetZAxis(), Vec3(0, 0, 1));

    camera.MoveTo(Vec3(5, 6, 7), false);
    ExpectVec3Eq(*camera.GetPosition(), Vec3(5, 6, 7));
    ExpectVec3Eq(*camera.GetTarget(), Vec3(5, 6, -993));
    ExpectVec3Eq(*camera.GetXAxis(), Vec3(1, 0, 0));
}

TEST_F(CameraTest, OrbitingSidewaysMovesOnlyTheEyeAndTurnsTowardsTheTarget) {
    camera.MoveAlongX(-10.0f, true);
    ExpectVec3Eq(*camera.GetPosition(), Vec3(-10, 0, 1000));
    ExpectVec3Eq(*camera.GetTarget(), Vec3(0, 0, 0));
    ExpectAimedAtTarget(camera);
    // About 0.01 radians about the y axis, which itself stays.
    ExpectVec3Near(*camera.GetXAxis(), Vec3(std::cos(0.01f), 0, std::sin(0.01f)));
    ExpectVec3Near(*camera.GetYAxis(), Vec3(0, 1, 0), 1e-6f);
}

TEST_F(CameraTest, TurnsBelowTheSmallestReaimingAngleAreNotMade) {
    // 0.5 units at a distance of 1000 is 0.0005 radians, under the 0.001 threshold.
    camera.MoveAlongX(0.5f, true);
    ExpectVec3Eq(*camera.GetPosition(), Vec3(0.5f, 0, 1000));
    ExpectVec3Eq(*camera.GetXAxis(), Vec3(1, 0, 0));
    ExpectVec3Eq(*camera.GetZAxis(), Vec3(0, 0, 1));
}

TEST_F(CameraTest, MovingTheTargetTurnsTheCameraAndLeavesTheEye) {
    camera.MoveTargetAlongX(300.0f);
    camera.MoveTargetAlongY(-200.0f);
    ExpectVec3Eq(*camera.GetPosition(), Vec3(0, 0, 1000));
    ExpectAimedAtTarget(camera);

    camera.SetTarget(Vec3(1000, 0, 1000));
    ExpectAimedAtTarget(camera);
    ExpectVec3Near(*camera.GetZAxis(), Vec3(-1, 0, 0));
}

TEST_F(CameraTest, YawInPlaceSwingsTheTargetToTheLeft) {
    camera.Yaw(90.0f, false);
    ExpectVec3Near(*camera.GetPosition(), Vec3(0, 0, 1000), 1e-3f);
    ExpectVec3Near(*camera.GetTarget(), Vec3(-1000, 0, 1000), 1e-2f);
    ExpectVec3Near(*camera.GetXAxis(), Vec3(0, 0, -1));
    ExpectVec3Eq(*camera.GetYAxis(), Vec3(0, 1, 0));
    ExpectVec3Near(*camera.GetZAxis(), Vec3(1, 0, 0));
    EXPECT_NEAR(camera.GetHeading(), 90.0f, 1e-3f);
}

TEST_F(CameraTest, YawWithOrbitCirclesTheEyeRoundTheTarget) {
    camera.Yaw(90.0f, true);
    ExpectVec3Near(*camera.GetPosition(), Vec3(1000, 0, 0), 1e-2f);
    ExpectVec3Eq(*camera.GetTarget(), Vec3(0, 0, 0));
    ExpectAimedAtTarget(camera);
}

TEST_F(CameraTest, PitchAndRollAreReportedInDegrees) {
    camera.Roll(30.0f);
    EXPECT_NEAR(camera.GetRoll(), 30.0f, 1e-3f);
    ExpectVec3Eq(*camera.GetPosition(), Vec3(0, 0, 1000));
    ExpectVec3Eq(*camera.GetTarget(), Vec3(0, 0, 0));
    ExpectAimedAtTarget(camera);
    camera.Roll(-30.0f);

    camera.Pitch(20.0f, false);
    EXPECT_NEAR(camera.GetPitch(), 20.0f, 1e-3f);
    EXPECT_NEAR(camera.GetHeading(), 0.0f, 1e-3f);
    EXPECT_NEAR(camera.GetRoll(), 0.0f, 1e-3f);
    // Pitching up in place raises the target; the eye stays.
    ExpectVec3Near(*camera.GetTarget(),
                   Vec3(0, 1000 * std::sin(20 * kDegreesToRadians),
                        1000 - 1000 * std::cos(20 * kDegreesToRadians)),
                   1e-2f);
    ExpectVec3Eq(*camera.GetPosition(), Vec3(0, 0, 1000));
    ExpectAimedAtTarget(camera);
}

TEST_F(CameraTest, AnglesStayDefinedWhenAnAxisComponentRoundsPastOne) {
    camera.SetAxes(Vec3(1, 0, 0), Vec3(0, 0, 1), Vec3(0, -1.0000001f, 0));
    EXPECT_FLOAT_EQ(camera.GetPitch(), 90.0f);
    camera.SetAxes(Vec3(0, 1.0000001f, 0), Vec3(-1, 0, 0), Vec3(0, 0, 1));
    EXPECT_FLOAT_EQ(camera.GetRoll(), 90.0f);
}

TEST_F(CameraTest, ReaimingOntoTheOppositeDirectionTurnsRoundKeepingTheUpAxis) {
    struct Case {
        std::string name;
        std::function<void(Camera&)> move;
    };
    const std::vector<Case> cases = {
        {"target moved behind the eye", [](Camera& c) { c.SetTarget(Vec3(0, 0, 2000)); }},
        {"eye moved through the target", [](Camera& c) { c.MoveTo(Vec3(0, 0, -1000), true); }},
        {"target pushed back past the eye", [](Camera& c) { c.MoveTargetAlongZ(3000.0f); }},
        {"target nearly behind the eye", [](Camera& c) { c.SetTarget(Vec3(1e-5f, 0, 2000)); }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        GLCamera turned(kZeroVec3, kUnitXVec3, kUnitYVec3, kUnitZVec3);
        turned.MoveTo(Vec3(0, 0, 1000), true);
        test.move(turned);
        ExpectAimedAtTarget(turned);
        ExpectVec3Near(*turned.GetZAxis(), Vec3(0, 0, -1));
        ExpectVec3Near(*turned.GetYAxis(), Vec3(0, 1, 0));
        ExpectVec3Near(*turned.GetXAxis(), Vec3(-1, 0, 0));
    }
}

TEST_F(CameraTest, EyeOnTheTargetKeepsTheAxesUntilTheyPartAgain) {
    camera.Yaw(30.0f, true);
    const Vec3 x = *camera.GetXAxis();
    const Vec3 z = *camera.GetZAxis();

    camera.MoveTo(Vec3(0, 0, 0), true);
    ExpectVec3Eq(*camera.GetPosition(), Vec3(0, 0, 0));
    ExpectVec3Eq(*camera.GetXAxis(), x);
    ExpectVec3Eq(*camera.GetZAxis(), z);

    camera.SetTarget(Vec3(0, 0, 0));
    camera.Move(Vec3(0, 0, 0), true);
    ExpectVec3Eq(*camera.GetXAxis(), x);
    ExpectVec3Eq(*camera.GetZAxis(), z);

    camera.MoveTo(Vec3(0, 0, 500), true);
    ExpectAimedAtTarget(camera);
    ExpectVec3Near(*camera.GetZAxis(), Vec3(0, 0, 1));
}

TEST_F(CameraTest, EveryMoveAndTurnMarksTheCameraButSettersAndIntegrationDoNot) {
    const std::vector<std::pair<std::string, std::function<void(Camera&)>>> marking = {
        {"MoveTo", [](Camera& c) { c.MoveTo(Vec3(0, 0, 1000), false); }},
        {"MoveTo orbit", [](Camera& c) { c.MoveTo(Vec3(0, 0, 1000), true); }},
        {"Move", [](Camera& c) { c.Move(kZeroVec3, false); }},
        {"Move orbit", [](Camera& c) { c.Move(kZeroVec3, true); }},
        {"SetTarget", [](Camera& c) { c.SetTarget(kZeroVec3); }},
        {"MoveTarget", [](Camera& c) { c.MoveTarget(kZeroVec3); }},
        {"Yaw", [](Camera& c) { c.Yaw(0.0f, false); }},
        {"Pitch", [](Camera& c) { c.Pitch(0.0f, true); }},
        {"Roll", [](Camera& c) { c.Roll(0.0f); }},
        {"MoveAlongX", [](Camera& c) { c.MoveAlongX(0.0f, true); }},
        {"MoveAlongY", [](Camera& c) { c.MoveAlongY(0.0f, false); }},
        {"MoveAlongZ", [](Camera& c) { c.MoveAlongZ(0.0f, false); }},
        {"MoveTargetAlongX", [](Camera& c) { c.MoveTargetAlongX(0.0f); }},
        {"MoveTargetAlongY", [](Camera& c) { c.MoveTargetAlongY(0.0f); }},
        {"MoveTargetAlongZ", [](Camera& c) { c.MoveTargetAlongZ(0.0f); }},
    };
    for (const auto& [name, operation] : marking) {
        camera.changed = false;
        operation(camera);
        EXPECT_TRUE(camera.changed) << name;
    }

    const std::vector<std::pair<std::string, std::function<void(Camera&)>>> quiet = {
        {"SetPosition", [](Camera& c) { c.SetPosition(Vec3(0, 0, 900)); }},
        {"AddPosition", [](Camera& c) { c.AddPosition(Vec3(0, 0, 100)); }},
        {"SetAxes", [](Camera& c) { c.SetAxes(kUnitXVec3, kUnitYVec3, kUnitZVec3); }},
        {"RotateX", [](Camera& c) { c.RotateX(10.0f); }},
        {"RotateY", [](Camera& c) { c.RotateY(10.0f); }},
        {"RotateZ", [](Camera& c) { c.RotateZ(10.0f); }},
        {"SetVelocity", [](Camera& c) { c.SetVelocity(Vec3(0, 0, -10)); }},
        {"Update", [](Camera& c) { c.Update(0.5f); }},
    };
    for (const auto& [name, operation] : quiet) {
        camera.changed = false;
        operation(camera);
        EXPECT_FALSE(camera.changed) << name;
    }
    // Integration moved the eye and only the eye.
    EXPECT_FLOAT_EQ(camera.GetPosition()->z, 995.0f);
    ExpectVec3Eq(*camera.GetTarget(), Vec3(0, 0, 0));
}

TEST_F(CameraTest, CloneIsAFreshCameraWithItsOwnFrustum) {
    camera.Yaw(45.0f, true);
    Object3D* clone = camera.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetTypeId(), camera.GetTypeId());
    ExpectVec3Eq(*clone->GetPosition(), Vec3(0, 0, 0));
    ExpectVec3Eq(*clone->GetXAxis(), Vec3(1, 0, 0));
    ExpectVec3Eq(*clone->GetZAxis(), Vec3(0, 0, 1));
    auto* cloneCamera = static_cast<GLCamera*>(clone);
    EXPECT_NE(cloneCamera->GetFrustum(), nullptr);
    EXPECT_NE(cloneCamera->GetFrustum(), camera.GetFrustum());
    EXPECT_TRUE(cloneCamera->changed);
    delete clone;
}

}  // namespace
