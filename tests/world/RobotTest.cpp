// Robots: copies that carry every field and then go their own way, and the kind tags.
#include <memory>

#include <gtest/gtest.h>

#include "render/Drawable.h"
#include "render/Model.h"
#include "world/Robot.h"

namespace {

class OtherKind : public Object3D {
public:
    Object3D* Clone() override { return new OtherKind(*this); }
    const void* GetTypeId() const override { return &tag; }

private:
    static const char tag;
};
const char OtherKind::tag = 0;

class NullDrawable : public Drawable {
public:
    void Draw(Model*, Object3D*, const Transform&) override {}
    void PushTransform(const Transform&) override {}
    void PopTransform() override {}
};

void ExpectVec3Eq(const Vec3& actual, const Vec3& expected) {
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.z, expected.z);
}

TEST(RobotTest, CloneCopiesEveryField) {
    Model model;
    NullDrawable instance;
    Robot robot;
    robot.model = &model;
    robot.renderInstance = &instance;
    robot.active = 0;
    robot.factor = 2.5f;
    robot.radius = 7.0f;
    robot.RotateZ(30.0f);
    robot.SetPosition(Vec3(1, 2, 3));
    robot.SetVelocity(Vec3(4, 5, 6));
    robot.SetAcceleration(Vec3(7, 8, 9));
    robot.Integrate(0.5f);  // fills the previous-step fields

    std::unique_ptr<Object3D> copy(robot.Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), &robot);
    EXPECT_EQ(copy->model, &model);
    EXPECT_EQ(copy->renderInstance, &instance);
    EXPECT_EQ(copy->active, 0);
    EXPECT_EQ(copy->factor, 2.5f);
    EXPECT_EQ(copy->radius, 7.0f);
    ExpectVec3Eq(copy->xAxis, robot.xAxis);
    ExpectVec3Eq(copy->yAxis, robot.yAxis);
    ExpectVec3Eq(copy->zAxis, robot.zAxis);
    ExpectVec3Eq(copy->previousPosition, Vec3(1, 2, 3));
    ExpectVec3Eq(copy->previousVelocity, Vec3(4, 5, 6));
    ExpectVec3Eq(copy->previousAcceleration, Vec3(7, 8, 9));
    ExpectVec3Eq(copy->position, robot.position);
    ExpectVec3Eq(copy->velocity, robot.velocity);
    ExpectVec3Eq(copy->acceleration, robot.acceleration);
}

TEST(RobotTest, ACloneMovesWithoutItsOriginal) {
    Robot prototype;
    prototype.SetPosition(Vec3(1, 0, 0));
    std::unique_ptr<Object3D> first(prototype.Clone());
    ASSERT_NE(first, nullptr);
    first->SetVelocity(Vec3(0, 2, 0));
    first->Update(1.0f);
    first->RotateY(90.0f);
    ExpectVec3Eq(*first->GetPosition(), Vec3(1, 2, 0));

    ExpectVec3Eq(*prototype.GetPosition(), Vec3(1, 0, 0));
    ExpectVec3Eq(*prototype.GetVelocity(), Vec3(0, 0, 0));
    ExpectVec3Eq(*prototype.GetXAxis(), Vec3(1, 0, 0));
    std::unique_ptr<Object3D> second(prototype.Clone());
    ASSERT_NE(second, nullptr);
    ExpectVec3Eq(*second->GetPosition(), Vec3(1, 0, 0));
    ExpectVec3Eq(*second->GetVelocity(), Vec3(0, 0, 0));
}

TEST(RobotTest, RobotsShareTheirTagsAndOtherKindsDoNot) {
    Robot robot;
    Robot another;
    std::unique_ptr<Object3D> copy(robot.Clone());
    ASSERT_NE(copy, nullptr);
    OtherKind other;

    EXPECT_EQ(robot.GetTypeId(), &Robot::typeTag);
    EXPECT_EQ(another.GetTypeId(), robot.GetTypeId());
    EXPECT_EQ(copy->GetTypeId(), robot.GetTypeId());
    EXPECT_NE(other.GetTypeId(), robot.GetTypeId());

    EXPECT_EQ(robot.GetClassTag(), &Robot::classTag);
    EXPECT_EQ(another.GetClassTag(), robot.GetClassTag());
    EXPECT_EQ(static_cast<Robot*>(copy.get())->GetClassTag(), robot.GetClassTag());
    EXPECT_NE(robot.GetClassTag(), robot.GetTypeId());
}

}  // namespace
