// The sphere tree's structure: placement of new leaves, refitting from the bottom up,
// re-placement of leaves that leave their containers, removal of empty containers, and parents
// kept around children that reach outside them.
#include <list>

#include <gtest/gtest.h>

#include "tests/world/SphereTreeTesting.h"
#include "world/EntitySphereTree.h"
#include "world/SphereTree.h"

namespace {

using spheretreetesting::Body;
using spheretreetesting::TreeFaults;

class SphereTreeTest : public ::testing::Test {
protected:
    EntitySphereTree tree{524288.0f, 5.0f, 4.0f, 400.0f, 1.0f};  // the world's parameters

    SphereNode* LeafOf(const Object3D* object) {
        for (SphereNode* leaf : tree.leaves) {
            if (leaf->object == object) return leaf;
        }
        return nullptr;
    }

    // The containers above a leaf, the root's child first.
    static std::vector<SphereNode*> Chain(SphereNode* leaf) {
        std::vector<SphereNode*> chain;
        for (SphereNode* node = leaf->parent; node->parent != nullptr; node = node->parent) {
            chain.insert(chain.begin(), node);
        }
        return chain;
    }

    // Adds the bodies and settles the tree.
    void Place(std::initializer_list<Body*> bodies) {
        for (Body* body : bodies) tree.Insert(body);
        tree.Update();
        EXPECT_EQ(TreeFaults(tree, true), "");
    }

    std::list<Object3D*> Near(Vec3 at, float radius) {
        std::list<Object3D*> found;
        tree.QuerySphere(&at, radius, found);
        return found;
    }
};

TEST_F(SphereTreeTest, InsertedLeafWaitsInTheQueueUntilTheNextUpdate) {
    Body body({10.0f, 20.0f, 30.0f}, 5.0f);
    EXPECT_EQ(tree.Insert(&body), 1);
    SphereNode* leaf = LeafOf(&body);
    EXPECT_EQ(leaf->flags, SphereNode::kLeaf | SphereNode::kInsertQueued);
    EXPECT_EQ(leaf->radius, 5.0f);
    EXPECT_TRUE(Near({10.0f, 20.0f, 30.0f}, 100.0f).empty());
    EXPECT_EQ(TreeFaults(tree, false), "");

    tree.Update();
    EXPECT_EQ(leaf->flags, SphereNode::kLeaf);
    EXPECT_EQ(leaf->radius, 5.001f);  // now the swept sphere
    EXPECT_EQ(Near({10.0f, 20.0f, 30.0f}, 100.0f).size(), 1u);
}

TEST_F(SphereTreeTest, FirstSmallLeafGetsAChainOfContainersShrunkFromTheBottomUp) {
    const Vec3 at(1000.0f, -2000.0f, 300.0f);
    Body body(at, 50.0f);
    Place({&body});
    SphereNode* leaf = LeafOf(&body);
    EXPECT_EQ(leaf->depth, 6);
    const std::vector<SphereNode*> chain = Chain(leaf);
    ASSERT_EQ(chain.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(chain[i]->nominalRadius, 131072.0f / static_cast<float>(1 << (2 * i))) << i;
        EXPECT_FLOAT_EQ(chain[i]->radius, 2000.0f - 400.0f * i + 50.001f) << i;
        EXPECT_EQ(chain[i]->center.x, at.x);
        EXPECT_EQ(chain[i]->center.y, at.y);
        EXPECT_EQ(chain[i]->center.z, at.z);
    }
}

TEST_F(SphereTreeTest, FirstLeafOf112OrMoreLeavesItsChainAtTheNominalRadii) {
    // 400 + 112.001 no longer fits the deepest level's 512, so nothing is shrunk.
    Body body({0.0f, 0.0f, 0.0f}, 112.0f);
    Place({&body});
    const std::vector<SphereNode*> chain = Chain(LeafOf(&body));
    ASSERT_EQ(chain.size(), 5u);
    for (const SphereNode* container : chain) {
        EXPECT_EQ(container->radius, container->nominalRadius) << container->depth;
    }
}

TEST_F(SphereTreeTest, OnlyALeafTooLargeForTheRootsChildrenHangsUnderTheRoot) {
    Body huge({1000.0f, 0.0f, 0.0f}, 131080.0f);
    // 131072 + 0.001 rounds to 131072 in single precision: it descends one level.
    Body large({-1000.0f, 0.0f, 0.0f}, 131072.0f);
    Place({&huge, &large});
    EXPECT_EQ(LeafOf(&huge)->parent, tree.root);
    EXPECT_EQ(LeafOf(&large)->depth, 2);
}

TEST_F(SphereTreeTest, LeafIsPlacedAgainOnlyWhenItsSweptSpherePokesOut) {
    Body body({0.0f, 0.0f, 0.0f}, 1.0f);
    Place({&body});
    SphereNode* leaf = LeafOf(&body);
    SphereNode* container = leaf->parent;
    SphereNode* depth4 = container->parent;

    // Swept sphere (50, 101.001) inside the container's (0, 401.001).
    body.position = {100.0f, 0.0f, 0.0f};
    tree.Update();
    EXPECT_EQ(leaf->parent, container);
    EXPECT_FLOAT_EQ(container->radius, 401.001f);

    // Swept sphere (150, 301.001) pokes out: the leaf gets a new container under the same
    // depth-4 one, and the old, empty one is destroyed.
    body.previousPosition = {0.0f, 0.0f, 0.0f};
    body.position = {300.0f, 0.0f, 0.0f};
    tree.Update();
    EXPECT_EQ(leaf->depth, 6);
    ASSERT_EQ(depth4->children.size(), 1u);
    EXPECT_EQ(depth4->children[0], leaf->parent);
    EXPECT_EQ(leaf->parent->center.x, 150.0f);
    EXPECT_EQ(TreeFaults(tree, true), "");
}

TEST_F(SphereTreeTest, EmptiedContainerIsDestroyedAndItsParentsRefitted) {
    Body a({0.0f, 0.0f, 0.0f}, 1.0f);
    Body b({600.0f, 0.0f, 0.0f}, 1.0f);
    Place({&a});
    Place({&b});
    SphereNode* depth4 = LeafOf(&a)->parent->parent;
    ASSERT_EQ(depth4->children.size(), 2u);

    tree.RemoveObject(&b);
    tree.Update();
    EXPECT_EQ(depth4->children.size(), 1u);
    const std::vector<SphereNode*> chain = Chain(LeafOf(&a));
    for (int i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(chain[i]->radius, 2000.0f - 400.0f * i + 1.001f) << i;
        EXPECT_EQ(chain[i]->center.x, 0.0f) << i;
    }
    EXPECT_EQ(TreeFaults(tree, true), "");
}

// b's container, off to the side of a small depth-4 container, reaches outside it. Unless the
// depth-4 container (and those above) grow around it, b is lost to every query once it drifts,
// within its own container, past the depth-4 container's edge.
TEST_F(SphereTreeTest, ParentsAreRefittedAroundAChildThatReachesOutside) {
    Body a({0.0f, 0.0f, 0.0f}, 1.0f);
    Body b({600.0f, 0.0f, 0.0f}, 1.0f);
    Place({&a});
    Place({&b});
    SphereNode* depth4 = LeafOf(&a)->parent->parent;
    // It was (0, 801.001); b's container (600, 401.001) reaches to 1001.001.
    EXPECT_FLOAT_EQ(depth4->center.x, 300.0f);
    EXPECT_FLOAT_EQ(depth4->radius, 1101.001f);

    b.position = b.previousPosition = {900.0f, 0.0f, 0.0f};
    tree.Update();
    EXPECT_EQ(LeafOf(&b)->parent->center.x, 600.0f);  // still in its container
    EXPECT_EQ(Near({900.0f, 0.0f, 0.0f}, 10.0f), (std::list<Object3D*>{&b}));
    EXPECT_EQ(TreeFaults(tree, true), "");
}

// The same with a leaf large enough that its new container is never refitted: only the new
// container reaching outside its parent can have that parent refitted.
TEST_F(SphereTreeTest, ParentsAreRefittedAroundANewContainerThatReachesOutside) {
    Body a({0.0f, 0.0f, 0.0f}, 1.0f);
    Body b({600.0f, 0.0f, 0.0f}, 150.0f);
    Place({&a});
    Place({&b});
    SphereNode* container = LeafOf(&b)->parent;
    EXPECT_EQ(container->radius, 512.0f);

    b.position = b.previousPosition = {900.0f, 0.0f, 0.0f};
    tree.Update();
    EXPECT_EQ(LeafOf(&b)->parent, container);
    EXPECT_EQ(Near({1000.0f, 0.0f, 0.0f}, 10.0f), (std::list<Object3D*>{&b}));
    EXPECT_EQ(TreeFaults(tree, true), "");
}

}  // namespace
