// The entity tree's queries, and its dropping of objects that leave the root sphere.
#include <list>

#include <gtest/gtest.h>

#include "tests/world/SphereTreeTesting.h"
#include "world/EntitySphereTree.h"

namespace {

using spheretreetesting::Body;
using spheretreetesting::PlaneFrustum;
using spheretreetesting::TreeFaults;

using Objects = std::list<Object3D*>;

class EntitySphereTreeTest : public ::testing::Test {
protected:
    EntitySphereTree tree{524288.0f, 5.0f, 4.0f, 400.0f, 1.0f};
    // Swept radius (9.999 + 0.001) exactly 10 at rest.
    Body target{{100.0f, 0.0f, 0.0f}, 9.999f};
    Objects objects;
    std::list<float> values;

    void Ray(Vec3 origin, Vec3 direction) { tree.QueryRay(&origin, &direction, objects, values); }
    void Segment(Vec3 start, Vec3 end) { tree.QuerySegment(&start, &end, objects, values); }
    void Sphere(Vec3 center, float radius) { tree.QuerySphere(&center, radius, objects); }
    void PlaceTarget() {
        tree.Insert(&target);
        tree.Update();
    }
};

TEST_F(EntitySphereTreeTest, EmptyTreeFindsNothing) {
    tree.Update();
    PlaneFrustum view = PlaneFrustum::Perspective({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f},
                                                  {0.0f, 1.0f, 0.0f}, 1.0f, 1.0f, 1000.0f);
    target.previousPosition = {0.0f, 0.0f, 0.0f};
    Ray({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
    Segment({0.0f, 0.0f, 0.0f}, {200.0f, 0.0f, 0.0f});
    tree.QueryFrustum(&view, objects);
    tree.QueryFrustum(nullptr, objects);
    Sphere({100.0f, 0.0f, 0.0f}, 1000.0f);
    tree.QuerySweep(&target, objects, values);
    EXPECT_TRUE(objects.empty());
    EXPECT_TRUE(values.empty());
}

TEST_F(EntitySphereTreeTest, SphereQueryCountsOverlapsButNotTouchesAndOnlyAppends) {
    PlaceTarget();
    Body earlier({0.0f, 0.0f, 0.0f}, 1.0f);
    objects.push_back(&earlier);
    Sphere({70.0f, 0.0f, 0.0f}, 20.0f);
    EXPECT_EQ(objects, (Objects{&earlier}));
    Sphere({70.0f, 0.0f, 0.0f}, 20.5f);
    EXPECT_EQ(objects, (Objects{&earlier, &target}));
}

TEST_F(EntitySphereTreeTest, RayReportsEntryFromOutsideExitFromInsideAndNothingBehind) {
    PlaceTarget();
    const Vec3 alongX(1.0f, 0.0f, 0.0f);
    Ray({0.0f, 0.0f, 0.0f}, alongX);    // entry
    Ray({100.0f, 0.0f, 0.0f}, alongX);  // from the centre: exit
    Ray({105.0f, 0.0f, 0.0f}, alongX);  // inside, centre behind: exit
    Ray({0.0f, 10.0f, 0.0f}, alongX);   // grazing
    Ray({120.0f, 0.0f, 0.0f}, alongX);  // outside, centre behind
    Ray({0.0f, 10.5f, 0.0f}, alongX);   // beside it
    EXPECT_EQ(values, (std::list<float>{90.0f, 10.0f, 5.0f, 100.0f}));
    EXPECT_EQ(objects.size(), 4u);
}

TEST_F(EntitySphereTreeTest, SegmentReportsTheEntryFractionAndZeroFromInside) {
    PlaceTarget();
    Segment({0.0f, 0.0f, 0.0f}, {200.0f, 0.0f, 0.0f});    // 0.45
    Segment({95.0f, 0.0f, 0.0f}, {300.0f, 0.0f, 0.0f});   // starts inside: 0
    Segment({100.0f, 0.0f, 0.0f}, {100.0f, 0.0f, 0.0f});  // a point inside: 0
    Segment({0.0f, 0.0f, 0.0f}, {90.0f, 0.0f, 0.0f});     // ends on its surface: 1
    Segment({0.0f, 0.0f, 0.0f}, {89.95f, 0.0f, 0.0f});    // a hair short: still counts
    Segment({0.0f, 0.0f, 0.0f}, {89.8f, 0.0f, 0.0f});     // short of it
    Segment({200.0f, 0.0f, 0.0f}, {300.0f, 0.0f, 0.0f});  // past it
    Segment({300.0f, 0.0f, 0.0f}, {300.0f, 0.0f, 0.0f});  // a point outside
    ASSERT_EQ(values.size(), 5u);
    auto value = values.begin();
    EXPECT_FLOAT_EQ(*value++, 0.45f);
    EXPECT_EQ(*value++, 0.0f);
    EXPECT_EQ(*value++, 0.0f);
    EXPECT_FLOAT_EQ(*value++, 1.0f);
    EXPECT_NEAR(*value++, 90.0f / 89.95f, 1e-5f);
    EXPECT_EQ(objects.size(), 5u);
}

TEST_F(EntitySphereTreeTest, FrustumCountsTouchingFromInsideAndTestsTheSphereOfNow) {
    Body touching({-110.0f, 0.0f, 0.0f}, 10.0f);  // exactly -radius from the left plane
    Body outside({0.0f, 110.5f, 0.0f}, 10.0f);
    Body inside({0.0f, 0.0f, 50.0f}, 10.0f);
    // Moved out of view during the last frame: its swept sphere still reaches in, it does not.
    Body gone({300.0f, 0.0f, 0.0f}, 10.0f);
    gone.previousPosition = {0.0f, 0.0f, 0.0f};
    for (Body* body : {&touching, &outside, &inside, &gone}) tree.Insert(body);
    tree.Update();

    PlaneFrustum box;  // |x|, |y|, |z| <= 100
    box.planes[Frustum::kRight] = {-1.0f, 0.0f, 0.0f, 100.0f};
    box.planes[Frustum::kLeft] = {1.0f, 0.0f, 0.0f, 100.0f};
    box.planes[Frustum::kBottom] = {0.0f, 1.0f, 0.0f, 100.0f};
    box.planes[Frustum::kTop] = {0.0f, -1.0f, 0.0f, 100.0f};
    box.planes[Frustum::kFar] = {0.0f, 0.0f, -1.0f, 100.0f};
    box.planes[Frustum::kNear] = {0.0f, 0.0f, 1.0f, 100.0f};
    tree.QueryFrustum(&box, objects);
    EXPECT_EQ(objects, (Objects{&touching, &inside}));
}

TEST_F(EntitySphereTreeTest, SweepFindsFirstContactsButNotSharedMotionOrEarlierOverlap) {
    Body still({60.0f, 0.0f, 0.0f}, 5.0f);
    Body escort({0.0f, 5.0f, 0.0f}, 5.0f);  // overlaps the mover all frame, moving along
    escort.previousPosition = {-100.0f, 5.0f, 0.0f};
    Body overlapped({-97.0f, 0.0f, 0.0f}, 5.0f);  // overlapped it when the frame began
    Body mover({100.0f, 0.0f, 0.0f}, 5.0f);
    mover.previousPosition = {0.0f, 0.0f, 0.0f};
    for (Body* body : {&still, &escort, &overlapped, &mover}) tree.Insert(body);
    tree.Update();

    // Reaches 50, ten short of the still one's centre, half way through; never finds itself.
    tree.QuerySweep(&mover, objects, values);
    EXPECT_EQ(objects, (Objects{&still}));
    EXPECT_EQ(values, (std::list<float>{0.5f}));

    objects.clear();
    values.clear();
    mover.position = {0.0f, 0.0f, 0.0f};
    mover.previousPosition = {-100.0f, 0.0f, 0.0f};
    tree.QuerySweep(&mover, objects, values);
    EXPECT_TRUE(objects.empty());
}

TEST_F(EntitySphereTreeTest, SweepFindsWhatAFastMoverPassedEarlyInTheFrame) {
    Body passed({-900.0f, 0.0f, 0.0f}, 5.0f);
    tree.Insert(&passed);
    tree.Update();
    // By the end of the frame the mover is far beyond every container of the one it hit.
    Body mover({2000.0f, 0.0f, 0.0f}, 5.0f);
    mover.previousPosition = {-1000.0f, 0.0f, 0.0f};
    tree.QuerySweep(&mover, objects, values);
    EXPECT_EQ(objects, (Objects{&passed}));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_NEAR(values.back(), 0.03f, 1e-5f);
}

TEST_F(EntitySphereTreeTest, ObjectLeavingTheRootIsDeactivatedButKeepsItsOldPlaceTillRemoved) {
    Body stay({0.0f, 0.0f, 0.0f}, 1.0f);
    Body leaver({524000.0f, 0.0f, 0.0f}, 1.0f);
    tree.Insert(&stay);
    tree.Insert(&leaver);
    tree.Update();

    // Swept sphere (524250, 501.001) reaches past the root's 524288.
    leaver.position = {524500.0f, 0.0f, 0.0f};
    tree.Update();
    EXPECT_EQ(leaver.active, 0);
    EXPECT_EQ(stay.active, 1);
    ASSERT_EQ(tree.leaves.size(), 1u);
    EXPECT_EQ(tree.leaves[0]->object, &stay);
    EXPECT_TRUE(tree.escaped.empty());
    EXPECT_EQ(TreeFaults(tree, true, true), "");
    Sphere({524250.0f, 0.0f, 0.0f}, 1.0f);
    EXPECT_EQ(objects, (Objects{&leaver}));

    // Removing it takes it, and then its emptied containers, out of the tree.
    tree.RemoveObject(&leaver);
    tree.Update();
    objects.clear();
    Sphere({524250.0f, 0.0f, 0.0f}, 1.0f);
    EXPECT_TRUE(objects.empty());
    EXPECT_EQ(tree.root->children.size(), 1u);
    EXPECT_EQ(TreeFaults(tree, true), "");
}

}  // namespace
