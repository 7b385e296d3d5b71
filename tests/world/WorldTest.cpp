// The world: its entity list, the per-frame update and the queries it hands on to its tree.
#include <list>
#include <vector>

#include <gtest/gtest.h>

#include "tests/world/SphereTreeTesting.h"
#include "world/World.h"

namespace {

using spheretreetesting::Body;
using spheretreetesting::PlaneFrustum;

using Objects = std::list<Object3D*>;

Objects InSphere(World& world, Vec3 center, float radius) {
    Objects found;
    world.QuerySphere(&center, radius, found);
    return found;
}

TEST(WorldTest, AddedObjectIsFoundOnlyAfterTheNextUpdateAndNullIsIgnored) {
    World world;
    EXPECT_EQ(world.Init(), 1);
    Body body({10.0f, 0.0f, 0.0f}, 1.0f);
    EXPECT_EQ(world.Add(nullptr), 0);
    EXPECT_EQ(world.Add(&body), 1);
    EXPECT_EQ(world.entities, (std::vector<Object3D*>{&body}));
    EXPECT_TRUE(InSphere(world, {10.0f, 0.0f, 0.0f}, 5.0f).empty());

    world.Update(0.000001f);
    EXPECT_EQ(InSphere(world, {10.0f, 0.0f, 0.0f}, 5.0f), (Objects{&body}));

    EXPECT_EQ(world.Remove(&body), 1);
    EXPECT_TRUE(world.entities.empty());
    world.Update(0.000001f);
    EXPECT_TRUE(InSphere(world, {10.0f, 0.0f, 0.0f}, 5.0f).empty());
}

TEST(WorldTest, UpdateAdvancesActiveObjectsAndOnlyUnlistsInactiveOnes) {
    World world;
    Body moving({0.0f, 0.0f, 0.0f}, 1.0f);
    Body stopped({100.0f, 0.0f, 0.0f}, 1.0f);
    moving.velocity = stopped.velocity = {10.0f, 0.0f, 0.0f};
    world.Add(&moving);
    world.Add(&stopped);
    stopped.active = 0;

    world.Update(0.5f);
    EXPECT_EQ(moving.position.x, 5.0f);
    EXPECT_EQ(stopped.position.x, 100.0f);
    EXPECT_EQ(world.entities, (std::vector<Object3D*>{&moving}));
    EXPECT_EQ(InSphere(world, {100.0f, 0.0f, 0.0f}, 5.0f), (Objects{&stopped}));
}

TEST(WorldTest, ObjectLeavingTheWorldIsDeactivatedThenUnlisted) {
    World world;
    Body leaver({524000.0f, 0.0f, 0.0f}, 1.0f);
    leaver.velocity = {1000.0f, 0.0f, 0.0f};
    world.Add(&leaver);
    world.Update(0.000001f);
    EXPECT_EQ(leaver.active, 1);

    world.Update(1.0f);
    EXPECT_EQ(leaver.active, 0);
    EXPECT_EQ(world.entities.size(), 1u);
    world.Update(1.0f);
    EXPECT_TRUE(world.entities.empty());
}

TEST(WorldTest, QueriesAnswerFromTheTree) {
    World world;
    Body target({0.0f, 0.0f, -500.0f}, 9.999f);  // swept radius 10 at rest
    world.Add(&target);
    world.Update(0.000001f);

    Objects objects;
    std::list<float> values;
    const Vec3 origin(0.0f, 0.0f, 0.0f);
    const Vec3 ahead(0.0f, 0.0f, -1.0f);
    const Vec3 end(0.0f, 0.0f, -1000.0f);
    const Vec3 near(0.0f, 0.0f, -480.0f);
    PlaneFrustum view =
        PlaneFrustum::Perspective(origin, ahead, {0.0f, 1.0f, 0.0f}, 0.5f, 1.0f, 1000.0f);
    Body mover({0.0f, 0.0f, 0.0f}, 10.0f);
    mover.previousPosition = end;
    world.QueryRay(&origin, &ahead, objects, values);
    world.QuerySegment(&origin, &end, objects, values);
    world.QueryFrustum(&view, objects);
    world.QuerySphere(&near, 15.0f, objects);
    world.QuerySweep(&mover, objects, values);

    EXPECT_EQ(objects, Objects(5, &target));
    ASSERT_EQ(values.size(), 3u);
    auto value = values.begin();
    EXPECT_FLOAT_EQ(*value++, 490.0f);
    EXPECT_FLOAT_EQ(*value++, 0.49f);
    EXPECT_NEAR(*value++, 0.48f, 1e-5f);
}

}  // namespace
