// Helpers for the world and sphere tree tests: a plain placed object, a frustum made straight
// from plane values, and a check of what the tree promises about its own structure.
#pragma once

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "scene/Object3D.h"
#include "tests/support/FixedFrustum.h"
#include "world/SphereTree.h"

namespace spheretreetesting {

// The smallest concrete object: a sphere at rest where it is put.
class Body : public Object3D {
public:
    Body(Vec3 at, float bodyRadius) {
        position = previousPosition = at;
        radius = bodyRadius;
    }
    Object3D* Clone() override { return new Body(*this); }
    const void* GetTypeId() const override {
        static const char tag = 0;
        return &tag;
    }
};

// Six planes given by value, in the frustum's storage order.
class PlaneFrustum : public FixedFrustum {
public:
    // A perspective view from eye along the unit forward, with the unit up perpendicular to it
    // and the same opening (tangent of the half angle) across and up.
    static PlaneFrustum Perspective(Vec3 eye, Vec3 forward, Vec3 up, float tanHalfAngle,
                                    float nearDistance, float farDistance) {
        const Vec3 right = Cross(forward, up);
        PlaneFrustum frustum;
        frustum.planes[kRight] = Through(eye, forward * tanHalfAngle - right);
        frustum.planes[kLeft] = Through(eye, forward * tanHalfAngle + right);
        frustum.planes[kBottom] = Through(eye, forward * tanHalfAngle + up);
        frustum.planes[kTop] = Through(eye, forward * tanHalfAngle - up);
        frustum.planes[kFar] = Through(eye + forward * farDistance, forward * -1.0f);
        frustum.planes[kNear] = Through(eye + forward * nearDistance, forward);
        return frustum;
    }

    // The plane through point with its inner side along normal.
    static Plane Through(Vec3 point, Vec3 normal) {
        normal.Normalize();
        return Plane{normal.x, normal.y, normal.z, -Dot(normal, point)};
    }
};

// Room left when inner lies inside outer; negative when it reaches outside.
inline float Margin(const SphereNode& inner, const SphereNode& outer) {
    return outer.radius - ((inner.center - outer.center).Length() + inner.radius);
}

// What is wrong with the tree's structure, one line per fault; empty when it is sound. settled:
// right after an Update (queues drained, no empty containers). allowEscaped: leaves that left
// the root may still hang in the hierarchy.
inline std::string TreeFaults(const SphereTree& tree, bool settled, bool allowEscaped = false) {
    std::string faults;
    auto fault = [&faults](const SphereNode* node, const char* what) {
        faults += std::string(what) + " at depth " + std::to_string(node->depth) + ", radius " +
                  std::to_string(node->radius) + "\n";
    };
    auto queued = [](const std::vector<SphereNode*>& queue, const SphereNode* node) {
        return std::count(queue.begin(), queue.end(), node);
    };
    auto checkFlags = [&](const SphereNode* node) {
        if (queued(tree.insertQueue, node) != ((node->flags & SphereNode::kInsertQueued) ? 1 : 0)) {
            fault(node, "insert flag does not match the insert queue");
        }
        if (queued(tree.recomputeQueue, node) !=
            ((node->flags & SphereNode::kRecomputeQueued) ? 1 : 0)) {
            fault(node, "recompute flag does not match the recompute queue");
        }
    };

    const std::unordered_set<const SphereNode*> live(tree.leaves.begin(), tree.leaves.end());
    size_t placed = 0;
    std::vector<const SphereNode*> pending{tree.root};
    while (!pending.empty()) {
        const SphereNode* node = pending.back();
        pending.pop_back();
        checkFlags(node);
        // The entries of the node's block: what they keep of each child is the child's own. A
        // container's one leaf goes without a block, and only then.
        const ChildEntry* entries = node->children.Entries();
        const SphereNode* lone = node->children.LoneLeaf();
        if ((lone != nullptr) != (node->children.size() == 1 && node != tree.root &&
                                  (node->children[0]->flags & SphereNode::kLeaf))) {
            fault(node, "lone leaf kept the wrong way");
        }
        for (size_t i = 0; entries != nullptr && i < node->children.size(); ++i) {
            const ChildEntry& entry = entries[i];
            const SphereNode* child = entry.node;
            const bool leaf = (child->flags & SphereNode::kLeaf) != 0;
            const SphereNode* childLone = child->children.LoneLeaf();
            if (entry.IsLeaf() != leaf) {
                fault(child, "entry of the wrong kind");
            } else if (leaf ? entry.Object() != child->object
                            : entry.Block() != child->children.Block() ||
                                  entry.LeadsToLeaf() != (childLone != nullptr) ||
                                  (childLone != nullptr && entry.Object() != childLone->object) ||
                                  entry.radius != child->radius ||
                                  entry.center.x != child->center.x ||
                                  entry.center.y != child->center.y ||
                                  entry.center.z != child->center.z) {
                fault(child, "entry out of step with its child");
            }
        }
        for (const SphereNode* child : node->children) {
            if (child->parent != node || child->depth != node->depth + 1) fault(child, "bad link");
            if (child->flags & SphereNode::kLeaf) {
                checkFlags(child);
                if (live.count(child)) {
                    ++placed;
                    if (Margin(*child, *node) < 0.0f) fault(child, "leaf outside its container");
                } else if (!allowEscaped) {
                    fault(child, "placed leaf missing from the leaf list");
                }
                continue;
            }
            if (child->depth > tree.maxDepth) fault(child, "container too deep");
            if (child->nominalRadius != node->nominalRadius * tree.childRadiusScale) {
                fault(child, "nominal radius off its level");
            }
            if (settled && child->children.empty()) fault(child, "empty container kept");
            // The root's own children may reach past it: nothing live lies out there.
            if (node != tree.root && Margin(*child, *node) < 0.0f) {
                fault(child, "container reaches outside its parent");
            }
            pending.push_back(child);
        }
    }
    for (const SphereNode* leaf : tree.leaves) {
        if (leaf->parent != nullptr) continue;
        ++placed;  // unplaced: must be waiting for placement
        if (!(leaf->flags & SphereNode::kInsertQueued)) fault(leaf, "unplaced leaf not queued");
        checkFlags(leaf);
    }
    if (placed != tree.leaves.size()) faults += "leaf list holds leaves not in the tree\n";
    if (settled && !(tree.insertQueue.empty() && tree.recomputeQueue.empty())) {
        faults += "queues not drained\n";
    }
    return faults;
}

}  // namespace spheretreetesting
