// One sphere of the world's sphere tree: the root, a container that encloses its children with
// some slack, or a leaf that wraps one object's motion over the last frame.
//
// Nodes live in their tree's pool (NodePool), 64 bytes each, one cache line; a container's
// children live in one block beside copies of what is read of them (ChildList). The fields are
// the tree's to write: it keeps the copies in its blocks in step with them, so a change made
// from outside would not be seen by the walks that read the copies.
#pragma once

#include <cstdint>

#include "math/Vec3.h"
#include "world/ChildList.h"

class Object3D;

class alignas(64) SphereNode {
public:
    static constexpr int32_t kRecomputeQueued = 0x01;  // in the tree's recompute queue
    static constexpr int32_t kInsertQueued = 0x02;     // in the tree's insert queue
    static constexpr int32_t kLeaf = 0x04;
    static constexpr int32_t kContainer = 0x08;
    static constexpr int32_t kRoot = 0x10;

    // How far this sphere stays inside container's sphere (negative when it reaches outside).
    // The result is also kept in fitMargin.
    float FitMarginIn(const SphereNode& container) {
        fitMargin = container.radius - ((center - container.center).Length() + radius);
        return fitMargin;
    }

    ChildList children;      // sub-containers and leaves, newest last
    float fitMargin = 0.0f;  // last result of FitMarginIn
    int32_t flags = 0;
    float nominalRadius = 0.0f;  // the radius this node's level stands for
    float radius = 0.0f;
    Vec3 center;
    int depth = 0;                 // root 0; an unplaced leaf 0 as well
    float slack = 0.0f;            // room left around the children when refitted
    uint32_t entryHint = 0;        // where this node's entry last stood in its parent's block
    SphereNode* parent = nullptr;  // null for the root and for unplaced leaves
    Object3D* object = nullptr;    // a leaf's object; null in containers
};
static_assert(sizeof(SphereNode) == 64, "a node is one cache line");
