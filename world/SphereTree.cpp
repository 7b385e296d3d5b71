#include "world/SphereTree.h"

#include <algorithm>

#include "scene/Object3D.h"

namespace {

// Removes every entry equal to node from list.
void Erase(std::vector<SphereNode*>& list, SphereNode* node) {
    list.erase(std::remove(list.begin(), list.end(), node), list.end());
}

// Frees node and everything below it.
void FreeSubtree(SphereNode* node) {
    for (SphereNode* child : node->children) FreeSubtree(child);
    delete node;
}

// The placed leaf of object at or below node, or null.
SphereNode* FindLeaf(SphereNode* node, Object3D const* object) {
    for (SphereNode* child : node->children) {
        if (child->flags & SphereNode::kLeaf) {
            if (child->object == object) return child;
        } else if (SphereNode* found = FindLeaf(child, object)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace

SphereTree::SphereTree(float rootRadius, float depth, float divisor, float rootSlack,
                       float slackScale_)
    : root(new SphereNode),
      maxDepth(static_cast<int>(depth)),
      childRadiusScale(1.0f / divisor),
      slackScale(slackScale_) {
    root->nominalRadius = rootRadius;
    root->radius = rootRadius;
    root->flags = SphereNode::kContainer | SphereNode::kRoot;
    root->slack = rootSlack;
}

SphereTree::~SphereTree() {
    // Everything placed hangs below the root, escaped leaves included; leaves waiting in the
    // insert queue have no parent yet.
    FreeSubtree(root);
    for (SphereNode* leaf : insertQueue) delete leaf;
}

int SphereTree::Insert(Object3D* object) {
    if (object == nullptr) return static_cast<int>(insertQueue.size());
    SphereNode* leaf = new SphereNode;
    leaf->object = object;
    leaf->radius = object->GetRadius();
    leaf->center = *object->GetPosition();
    leaf->flags = SphereNode::kLeaf | SphereNode::kInsertQueued;
    leaves.push_back(leaf);
    insertQueue.push_back(leaf);
    return static_cast<int>(insertQueue.size());
}

void SphereTree::RemoveObject(Object3D* object) {
    auto const found = std::find_if(leaves.begin(), leaves.end(),
                                    [object](SphereNode* leaf) { return leaf->object == object; });
    SphereNode* leaf = nullptr;
    if (found != leaves.end()) {
        leaf = *found;
        Erase(leaves, leaf);
    } else {
        // A leaf that escaped the root is no longer in leaves but still hangs in the hierarchy,
        // where queries can reach it. It has to go too, or the tree would keep handing out an
        // object its owner may be about to delete.
        leaf = FindLeaf(root, object);
        if (leaf == nullptr) return;
        Erase(escaped, leaf);
    }
    DestroyNode(leaf);
}

void SphereTree::DestroyNode(SphereNode* node) {
    if (node->flags & SphereNode::kRecomputeQueued) Erase(recomputeQueue, node);
    if (node->flags & SphereNode::kInsertQueued) Erase(insertQueue, node);
    if (node->parent != nullptr) {
        QueueRecompute(node->parent);
        Detach(node);
    }
    delete node;
}

SphereNode* SphereTree::GetRoot() {
    return root;
}

void SphereTree::Update() {
    for (SphereNode* leaf : leaves) {
        leaf->center = leaf->object->GetSweptCenter();
        leaf->radius = leaf->object->GetSweptRadius();
        if (leaf->flags & SphereNode::kInsertQueued) continue;
        if (leaf->parent == nullptr || leaf->FitMarginIn(*leaf->parent) >= 0.0f) continue;
        if (leaf->FitMarginIn(*root) > 0.0f) {
            // Out of its container but still in the world: placed again from the root below.
            QueueReinsert(leaf);
            QueueRecompute(leaf->parent);
            Detach(leaf);
        } else {
            // Left the world. The leaf stays where it was; only the leaf list forgets it.
            escaped.push_back(leaf);
        }
    }

    if (!escaped.empty()) {
        leaves.erase(std::remove_if(leaves.begin(), leaves.end(),
                                    [this](SphereNode* leaf) {
                                        return std::find(escaped.begin(), escaped.end(), leaf) !=
                                               escaped.end();
                                    }),
                     leaves.end());
    }

    for (SphereNode* leaf : insertQueue) Integrate(leaf, root);
    insertQueue.clear();

    // Refits queue the parents of the containers they change, so the walk runs to the end of a
    // queue that grows under it. Indices, not iterators: the vector may reallocate.
    for (size_t i = 0; i < recomputeQueue.size(); ++i) {
        SphereNode* node = recomputeQueue[i];
        int const result = Recompute(node);
        node->flags &= ~SphereNode::kRecomputeQueued;
        if (result == 0) DestroyNode(node);
    }
    recomputeQueue.clear();
}

void SphereTree::QueueReinsert(SphereNode* node) {
    if (node->flags & (SphereNode::kInsertQueued | SphereNode::kRoot)) return;
    node->flags |= SphereNode::kInsertQueued;
    insertQueue.push_back(node);
}

void SphereTree::Integrate(SphereNode* leaf, SphereNode* node) {
    // The deepest level, or a leaf too large for node's children: it hangs here.
    if (node->depth == maxDepth || node->nominalRadius * childRadiusScale < leaf->radius) {
        QueueRecompute(node);
        node->children.push_back(leaf);
        leaf->parent = node;
        leaf->depth = node->depth + 1;
        leaf->flags &= ~SphereNode::kInsertQueued;
        return;
    }

    // The nearest child container that already holds the leaf, or else the nearest one that can
    // grow to hold it (with its slack) within its nominal radius. Ties keep the earlier child.
    float best = 1e9f;
    float containMargin = 0.0f;
    SphereNode* containNode = nullptr;
    float growLimit = 0.0f;
    SphereNode* growNode = nullptr;
    for (SphereNode* child : node->children) {
        if (!(child->flags & SphereNode::kContainer)) continue;
        float const d = (leaf->center - child->center).Length() + leaf->radius;
        if (d >= best) continue;
        best = d;
        float const m = d - child->radius;
        float const g = d + child->slack - child->nominalRadius;
        if (m < containMargin) {
            containNode = child;
            containMargin = m;
        } else if (g < growLimit) {
            growNode = child;
            growLimit = g;
        }
    }
    if (containNode != nullptr) {
        Integrate(leaf, containNode);
        return;
    }

    SphereNode* next = growNode;
    if (next != nullptr) {
        next->radius = next->slack + best;
    } else {
        next = new SphereNode;
        next->flags = SphereNode::kContainer;
        next->depth = node->depth + 1;
        next->nominalRadius = node->nominalRadius * childRadiusScale;
        next->radius = next->nominalRadius;
        next->slack = node->slack * slackScale;
        next->center = leaf->center;
        next->parent = node;
        node->children.push_back(next);
    }
    // A grown container, or a new one at its full nominal radius, can reach outside node. Left
    // so, a leaf that later moves within it into that outer part would be cut off by every
    // query that rejects node; so node is refitted around it.
    if (next->FitMarginIn(*node) < 0.0f) QueueRecompute(node);
    Integrate(leaf, next);
}

void SphereTree::QueueRecompute(SphereNode* node) {
    if (node == nullptr) return;
    if (node->flags & (SphereNode::kRecomputeQueued | SphereNode::kRoot)) return;
    node->flags |= SphereNode::kRecomputeQueued;
    recomputeQueue.push_back(node);
}

int SphereTree::Recompute(SphereNode* node) {
    if (node->children.empty()) {
        QueueRecompute(node->parent);
        return 0;
    }

    Vec3 sum;
    for (SphereNode const* child : node->children) sum += child->center;
    Vec3 const mean = sum * (1.0f / static_cast<float>(node->children.size()));

    float newRadius = 0.0f;
    bool reachesPastRadius = false;
    for (SphereNode const* child : node->children) {
        float const e = (child->center - mean).Length() + node->slack + child->radius;
        if (e > newRadius) {
            newRadius = e;
            if (e >= node->radius) reachesPastRadius = true;
        }
    }

    // The refit sphere would be no smaller than the present one: keep the present one, as long
    // as it still holds every child. A child that reaches outside it would be cut off by
    // queries, so then the container is refitted (and may grow) after all.
    if (reachesPastRadius) {
        bool allInside = true;
        for (SphereNode* child : node->children) {
            if (child->FitMarginIn(*node) < 0.0f) {
                allInside = false;
                break;
            }
        }
        if (allInside) return 1;
    }

    node->center = mean;
    node->radius = newRadius;
    QueueRecompute(node->parent);
    return 1;
}

void SphereTree::Detach(SphereNode* node) {
    Erase(node->parent->children, node);
    node->parent = nullptr;
    node->depth = 0;
}
