// One sphere of the world's sphere tree: the root, a container that encloses its children with
// some slack, or a leaf that wraps one object's motion over the last frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/Vec3.h"
#include "world/ChildSphereList.h"

class Object3D;

class SphereNode {
public:
    // Bits of flags.
    static constexpr int32_t kRecomputeQueued = 0x01;  // in the tree's recompute queue
    static constexpr int32_t kInsertQueued = 0x02;     // in the tree's insert queue
    static constexpr int32_t kLeaf = 0x04;
    static constexpr int32_t kContainer = 0x08;
    static constexpr int32_t kRoot = 0x10;

    // How far this sphere stays inside container's sphere (negative when it reaches outside).
    // The result is also kept in fitMargin.
    float FitMarginIn(SphereNode const& container);

    std::vector<SphereNode*> children;  // sub-containers and leaves, newest last
    float fitMargin = 0.0f;             // last result of FitMarginIn
    int32_t flags = 0;
    float nominalRadius = 0.0f;         // the radius this node's level stands for
    float radius = 0.0f;
    Vec3 center;
    int depth = 0;                      // root 0; an unplaced leaf 0 as well
    float slack = 0.0f;                 // room left around the children when refitted
    SphereNode* parent = nullptr;       // null for the root and for unplaced leaves
    Object3D* object = nullptr;         // a leaf's object; null in containers

    // The spheres of the sub-containers among children, in the same order, kept by the tree
    // whenever one of them changes. Placing a leaf and answering a query test every
    // sub-container of a node; reading them from one array costs a few cache lines where
    // following each child pointer would cost a cache miss per child.
    ChildSphereList containerSpheres;

    // True when every child is a sub-container, so that containerSpheres[i] is the sphere of
    // children[i].
    bool HoldsOnlyContainers() const { return containerSpheres.size() == children.size(); }
    // The index-th sub-container among children.
    SphereNode* ContainerChild(size_t index) const;
    // Where container stands among this node's sub-containers; its index in containerSpheres.
    size_t ContainerIndexOf(SphereNode const* container) const;
};
