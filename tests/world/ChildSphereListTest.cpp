// The compact list of child spheres: order kept through pushes and erasures, storage grown and
// given back, ownership moved.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "world/ChildSphereList.h"

namespace {

std::vector<float> Radii(ChildSphereList const& list) {
    std::vector<float> radii;
    for (ChildSphere const& sphere : list) radii.push_back(sphere.radius);
    return radii;
}

ChildSphere Sphere(float radius) {
    return {Vec3(radius, -radius, 2.0f * radius), radius};
}

TEST(ChildSphereListTest, KeepsTheOrderThroughPushesAndErasures) {
    ChildSphereList list;
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.data(), nullptr);
    EXPECT_EQ(list.begin(), list.end());
    for (int i = 0; i < 100; ++i) list.push_back(Sphere(static_cast<float>(i)));
    ASSERT_EQ(list.size(), 100u);
    EXPECT_EQ(list[37].center.y, -37.0f);
    EXPECT_EQ(list[37].center.z, 74.0f);

    // Erase every other entry from the front, the last one and the first one.
    for (int i = 0; i < 50; ++i) list.erase(static_cast<size_t>(i));
    list.erase(list.size() - 1);
    list.erase(0);
    std::vector<float> expected;
    for (int i = 3; i <= 97; i += 2) expected.push_back(static_cast<float>(i));
    EXPECT_EQ(Radii(list), expected);
    list[0].radius = -1.0f;
    EXPECT_EQ(list[0].radius, -1.0f);
}

TEST(ChildSphereListTest, EmptiedListHoldsNoStorageAndGrowsAgain) {
    ChildSphereList list;
    for (int i = 0; i < 40; ++i) list.push_back(Sphere(static_cast<float>(i)));
    // Shrinking as it empties must move the remaining entries intact.
    while (list.size() > 1) {
        list.erase(0);
        EXPECT_EQ(list[0].radius, static_cast<float>(40 - list.size()));
        EXPECT_EQ(list[list.size() - 1].radius, 39.0f);
    }
    list.erase(0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.data(), nullptr);
    list.push_back(Sphere(5.0f));
    EXPECT_EQ(Radii(list), std::vector<float>{5.0f});
}

TEST(ChildSphereListTest, MovingHandsOverTheEntries) {
    ChildSphereList first;
    first.push_back(Sphere(1.0f));
    first.push_back(Sphere(2.0f));
    ChildSphereList second(std::move(first));
    EXPECT_TRUE(first.empty());  // NOLINT(bugprone-use-after-move): moved-from state is defined
    EXPECT_EQ(Radii(second), (std::vector<float>{1.0f, 2.0f}));

    ChildSphereList third;
    third.push_back(Sphere(9.0f));
    third = std::move(second);
    EXPECT_EQ(Radii(third), (std::vector<float>{1.0f, 2.0f}));
    third = std::move(third);
    EXPECT_EQ(third.size(), 2u);
}

}  // namespace
