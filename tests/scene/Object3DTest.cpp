// The placed-object base: its integration step, swept sphere, turns, model and drawing.
#include <cmath>

#include <gtest/gtest.h>

#include "render/Drawable.h"
#include "render/Model.h"
#include "scene/Object3D.h"

namespace {

// The smallest concrete object: the base with nothing added.
class Thing : public Object3D {
public:
    Object3D* Clone() override { return new Thing(*this); }
    const void* GetTypeId() const override { return &kTag; }

private:
    static const char kTag;
};

const char Thing::kTag = 0;

// Remembers what it was asked to draw.
class RecordingDrawable : public Drawable {
public:
    void Draw(Model* model, Object3D* camera, const Transform& transform) override {
        ++draws;
        lastModel = model;
        lastCamera = camera;
        lastTransform = transform;
    }
    void PushTransform(const Transform&) override {}
    void PopTransform() override {}

    int draws = 0;
    Model* lastModel = nullptr;
    Object3D* lastCamera = nullptr;
    Transform lastTransform;
};

void ExpectVec3Near(const Vec3& actual, const Vec3& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectVec3Eq(const Vec3& actual, const Vec3& expected) {
    EXPECT_FLOAT_EQ(actual.x, expected.x);
    EXPECT_FLOAT_EQ(actual.y, expected.y);
    EXPECT_FLOAT_EQ(actual.z, expected.z);
}

TEST(Object3DTest, StartsAtRestAtTheOriginWithUnitAxesAndASweptSphereJustOverItsRadius) {
    Thing thing;
    EXPECT_EQ(thing.active, 1);
    EXPECT_EQ(thing.GetFactor(), 1.0f);
    EXPECT_EQ(thing.GetRadius(), 1.0f);
    EXPECT_EQ(thing.GetModel(), nullptr);
    ExpectVec3Eq(*thing.GetXAxis(), Vec3(1, 0, 0));
    ExpectVec3Eq(*thing.GetYAxis(), Vec3(0, 1, 0));
    ExpectVec3Eq(*thing.GetZAxis(), Vec3(0, 0, 1));
    ExpectVec3Eq(*thing.GetPosition(), Vec3(0, 0, 0));
    ExpectVec3Eq(*thing.GetVelocity(), Vec3(0, 0, 0));
    ExpectVec3Eq(*thing.GetAcceleration(), Vec3(0, 0, 0));

    EXPECT_FLOAT_EQ(thing.GetSweptRadius(), 1.001f);
    ExpectVec3Eq(thing.GetSweptCenter(), Vec3(0, 0, 0));
}

TEST(Object3DTest, UpdateIntegratesAccelerationWithATrapezoidalStep) {
    Thing thing;
    thing.SetPosition(Vec3(3, 4, 5));
    thing.SetAcceleration(Vec3(0, -10, 0));
    thing.Update(0.5f);

    ExpectVec3Eq(*thing.GetVelocity(), Vec3(0, -5, 0));
    ExpectVec3Eq(*thing.GetPosition(), Vec3(3, 2.75f, 5));
    ExpectVec3Eq(*thing.GetAcceleration(), Vec3(0, -10, 0));
    ExpectVec3Eq(*thing.GetPreviousAcceleration(), Vec3(0, -10, 0));
    ExpectVec3Eq(*thing.GetPreviousVelocity(), Vec3(0, 0, 0));
    ExpectVec3Eq(*thing.GetPreviousPosition(), Vec3(3, 4, 5));

    // The second step starts from the first one's velocity.
    thing.Update(0.5f);
    ExpectVec3Eq(*thing.GetVelocity(), Vec3(0, -10, 0));
    ExpectVec3Eq(*thing.GetPosition(), Vec3(3, -1.0f, 5));
    ExpectVec3Eq(*thing.GetPreviousVelocity(), Vec3(0, -5, 0));
}

TEST(Object3DTest, SweptSphereCoversTheLastStep) {
    Thing thing;
    thing.SetRadius(2.0f);
    thing.SetVelocity(Vec3(2, 0, 0));
    thing.Integrate(0.25f);

    ExpectVec3Eq(*thing.GetPosition(), Vec3(0.5f, 0, 0));
    ExpectVec3Eq(*thing.GetPreviousPosition(), Vec3(0, 0, 0));
    ExpectVec3Eq(thing.GetSweptCenter(), Vec3(0.25f, 0, 0));
    EXPECT_FLOAT_EQ(thing.GetSweptRadius(), 0.5f + 2.0f + 0.001f);
}

TEST(Object3DTest, SweptSphereSpansATeleportUntilTheNextStep) {
    Thing thing;
    thing.SetPosition(Vec3(0, 0, 10));
    ExpectVec3Eq(*thing.GetPreviousPosition(), Vec3(0, 0, 0));
    ExpectVec3Eq(thing.GetSweptCenter(), Vec3(0, 0, 5));
    EXPECT_FLOAT_EQ(thing.GetSweptRadius(), 10.0f + 1.0f + 0.001f);

    thing.Integrate(0.1f);
    ExpectVec3Eq(thing.GetSweptCenter(), Vec3(0, 0, 10));
    EXPECT_FLOAT_EQ(thing.GetSweptRadius(), 1.001f);
}

TEST(Object3DTest, RotationsTurnTheOtherTwoAxesAndLeaveTheirOwnAxisAndThePosition) {
    Thing thing;
    thing.SetPosition(Vec3(1, 2, 3));
    thing.RotateZ(90.0f);
    ExpectVec3Near(*thing.GetXAxis(), Vec3(0, 1, 0));
    ExpectVec3Near(*thing.GetYAxis(), Vec3(-1, 0, 0));
    ExpectVec3Eq(*thing.GetZAxis(), Vec3(0, 0, 1));
    ExpectVec3Eq(*thing.GetPosition(), Vec3(1, 2, 3));

    Thing other;
    other.RotateX(90.0f);
    ExpectVec3Eq(*other.GetXAxis(), Vec3(1, 0, 0));
    ExpectVec3Near(*other.GetYAxis(), Vec3(0, 0, 1));
    ExpectVec3Near(*other.GetZAxis(), Vec3(0, -1, 0));
    other.RotateY(90.0f);  // about the (unchanged) y axis, now (0, 0, 1)
    ExpectVec3Near(*other.GetXAxis(), Vec3(0, 1, 0));
    ExpectVec3Near(*other.GetYAxis(), Vec3(0, 0, 1));
    ExpectVec3Near(*other.GetZAxis(), Vec3(1, 0, 0));
}

TEST(Object3DTest, AxesKeepUnitLengthOverManySmallTurns) {
    Thing thing;
    for (int i = 0; i < 5000; ++i) {
        thing.RotateX(0.7f);
        thing.RotateY(1.3f);
        thing.RotateZ(-0.9f);
    }
    EXPECT_NEAR(thing.GetXAxis()->Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(thing.GetYAxis()->Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(thing.GetZAxis()->Length(), 1.0f, 1e-5f);
}

TEST(Object3DTest, SetModelTakesTheModelsRadiusAndANullModelKeepsTheRadius) {
    Model model;
    model.radius = 7.5f;
    Thing thing;
    thing.SetModel(&model);
    EXPECT_EQ(thing.GetModel(), &model);
    EXPECT_EQ(thing.GetRadius(), 7.5f);

    thing.SetModel(nullptr);
    EXPECT_EQ(thing.GetModel(), nullptr);
    EXPECT_EQ(thing.GetRadius(), 7.5f);
}

TEST(Object3DTest, DrawHandsTheInstanceTheModelTheCameraAndThePlacement) {
    Model model;
    RecordingDrawable instance;
    Thing thing;
    Thing viewer;
    thing.SetModel(&model);
    thing.SetRenderInstance(&instance);
    thing.SetAxes(Vec3(0, 1, 0), Vec3(-1, 0, 0), Vec3(0, 0, 1));
    thing.SetPosition(Vec3(4, 5, 6));

    thing.Draw(&viewer);
    ASSERT_EQ(instance.draws, 1);
    EXPECT_EQ(instance.lastModel, &model);
    EXPECT_EQ(instance.lastCamera, &viewer);
    ExpectVec3Eq(instance.lastTransform.xAxis, Vec3(0, 1, 0));
    ExpectVec3Eq(instance.lastTransform.yAxis, Vec3(-1, 0, 0));
    ExpectVec3Eq(instance.lastTransform.zAxis, Vec3(0, 0, 1));
    ExpectVec3Eq(instance.lastTransform.translation, Vec3(4, 5, 6));
}

TEST(Object3DTest, DrawWithoutARenderInstanceDoesNothing) {
    Thing thing;
    Thing viewer;
    thing.Draw(&viewer);  // must not reach through a null instance
    SUCCEED();
}

}  // namespace
