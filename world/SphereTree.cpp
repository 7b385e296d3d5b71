#include "world/SphereTree.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "scene/Object3D.h"
#include "world/TreeKernels.h"

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

// Lets go of most of a list's storage once it is used to a quarter or less. Children come and
// go all the time; without this every list would keep the most it ever held.
template <typename T>
void ShrinkIfSparse(std::vector<T>& list) {
    if (list.capacity() > 4 && list.size() * 4 <= list.capacity()) list.shrink_to_fit();
}

// Empties a work queue. One that held far more than this time (the first placement queues
// every leaf) lets its storage go rather than keep it for ever.
void ClearQueue(std::vector<SphereNode*>& queue) {
    if (queue.capacity() > 4 * queue.size() + 1024) {
        std::vector<SphereNode*>().swap(queue);
    } else {
        queue.clear();
    }
}

// The copy of container's sphere that its parent keeps, or null.
ChildSphere* CopyInParent(SphereNode const* container) {
    ChildSphereList& copies = container->parent->containerSpheres;
    size_t const index = container->parent->ContainerIndexOf(container);
    return index < copies.size() ? &copies[index] : nullptr;
}

// Calls visit(center, radius) for every child of node, in order: from the node's copies when
// they stand for all its children, else from the children themselves.
template <typename Visit>
void ForEachChildSphere(SphereNode const* node, Visit const& visit) {
    if (node->HoldsOnlyContainers()) {
        for (ChildSphere const& copy : node->containerSpheres) {
            visit(copy.center, copy.radius);
        }
    } else {
        for (SphereNode const* child : node->children) visit(child->center, child->radius);
    }
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
    for (SphereNode* node : spareNodes) delete node;
}

int SphereTree::Insert(Object3D* object) {
    if (object == nullptr) return static_cast<int>(insertQueue.size());
    SphereNode* leaf = NewNode();
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
    FreeNode(node);
}

SphereNode* SphereTree::GetRoot() {
    return root;
}

void SphereTree::Update() {
    size_t const leafCount = leaves.size();
    for (size_t i = 0; i < leafCount; ++i) {
        // The leaves, their objects, their containers and the containers' children lists lie
        // scattered in memory: each is asked for a few leaves before it is needed, once the
        // one it is found through has arrived, so that the waits overlap.
        if (i + 16 < leafCount) treekernels::Prefetch(leaves[i + 16]);
        if (i + 8 < leafCount) {
            // The object's swept sphere reads its radius and its last two positions.
            SphereNode const* ahead = leaves[i + 8];
            Object3D const* object = ahead->object;
            treekernels::Prefetch(&object->radius);
            treekernels::Prefetch(&object->position);
            treekernels::Prefetch(&object->previousPosition);
            treekernels::Prefetch(ahead->parent);
        }
        if (i + 4 < leafCount) {
            if (SphereNode const* container = leaves[i + 4]->parent) {
                treekernels::Prefetch(container->children.data());
            }
        }
        SphereNode* leaf = leaves[i];
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
    ClearQueue(insertQueue);

    // Refits queue the parents of the containers they change, so the walk runs to the end of a
    // queue that grows under it. Indices, not iterators: the vector may reallocate.
    for (size_t i = 0; i < recomputeQueue.size(); ++i) {
        if (i + 8 < recomputeQueue.size()) treekernels::Prefetch(recomputeQueue[i + 8]);
        if (i + 4 < recomputeQueue.size()) {
            SphereNode const* ahead = recomputeQueue[i + 4];
            treekernels::Prefetch(ahead->children.data());
            treekernels::Prefetch(ahead->containerSpheres.data());
        }
        SphereNode* node = recomputeQueue[i];
        int const result = Recompute(node);
        node->flags &= ~SphereNode::kRecomputeQueued;
        if (result == 0) DestroyNode(node);
    }
    ClearQueue(recomputeQueue);

    // The oldest spares go: the newest are the likeliest still to be in the cache.
    size_t const keep = leaves.size() / 8;
    if (spareNodes.size() > keep) {
        size_t const excess = spareNodes.size() - keep;
        for (size_t i = 0; i < excess; ++i) delete spareNodes[i];
        spareNodes.erase(spareNodes.begin(), spareNodes.begin() + static_cast<ptrdiff_t>(excess));
    }
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
    // The spheres come from the node's copies, so the child nodes themselves are not read. The
    // sub-containers of one node are all of one level: their slack and nominal radius are the
    // node's times the tree's scales, as they were made.
    float const childSlack = node->slack * slackScale;
    float const childNominalRadius = node->nominalRadius * childRadiusScale;
    ChildSphereList& copies = node->containerSpheres;
    // The chosen child is found through the children list: asked for now, it arrives while
    // the spheres are tested.
    treekernels::Prefetch(node->children.data());
    float best = 1e9f;
    float containMargin = 0.0f;
    size_t containIndex = SIZE_MAX;
    float growLimit = 0.0f;
    size_t growIndex = SIZE_MAX;
    ChildSphere const* const spheres = copies.data();
    size_t const count = copies.size();
    // The distances come first, a batch at a time, apart from the choice: each one waits for a
    // square root, and the choice between them would otherwise wait for every one in turn.
    constexpr size_t kBatch = 64;
    float distances[kBatch];
    for (size_t first = 0; first < count; first += kBatch) {
        size_t const batch = std::min(kBatch, count - first);
        treekernels::DistancesPlus(spheres + first, batch, leaf->center, leaf->radius,
                                   distances);
        for (size_t k = 0; k < batch; ++k) {
            float const d = distances[k];
            if (d >= best) continue;
            size_t const i = first + k;
            best = d;
            float const m = d - spheres[i].radius;
            if (m < containMargin) {
                containIndex = i;
                containMargin = m;
                continue;
            }
            float const g = d + childSlack - childNominalRadius;
            if (g < growLimit) {
                growIndex = i;
                growLimit = g;
            }
        }
    }
    if (containIndex != SIZE_MAX) {
        Integrate(leaf, node->ContainerChild(containIndex));
        return;
    }

    SphereNode* next = nullptr;
    if (growIndex != SIZE_MAX) {
        next = node->ContainerChild(growIndex);
        next->radius = next->slack + best;
        copies[growIndex].radius = next->radius;
    } else {
        next = NewNode();
        next->flags = SphereNode::kContainer;
        next->depth = node->depth + 1;
        next->nominalRadius = node->nominalRadius * childRadiusScale;
        next->radius = next->nominalRadius;
        next->slack = node->slack * slackScale;
        next->center = leaf->center;
        next->parent = node;
        node->children.push_back(next);
        copies.push_back({next->center, next->radius});
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
    ForEachChildSphere(node, [&sum](Vec3 const& center, float) { sum += center; });
    Vec3 const mean = sum * (1.0f / static_cast<float>(node->children.size()));

    float newRadius = 0.0f;
    bool reachesPastRadius = false;
    float const slack = node->slack;
    float const radius = node->radius;
    ForEachChildSphere(node, [&](Vec3 const& center, float childRadius) {
        float const e = (center - mean).Length() + slack + childRadius;
        if (e > newRadius) {
            newRadius = e;
            if (e >= radius) reachesPastRadius = true;
        }
    });

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
    if (node->parent != nullptr) {
        if (ChildSphere* copy = CopyInParent(node)) {
            copy->center = mean;
            copy->radius = newRadius;
        }
    }
    QueueRecompute(node->parent);
    return 1;
}

void SphereTree::Detach(SphereNode* node) {
    SphereNode* parent = node->parent;
    if (node->flags & SphereNode::kContainer) {
        ChildSphereList& copies = parent->containerSpheres;
        size_t const index = parent->ContainerIndexOf(node);
        if (index < copies.size()) copies.erase(index);
    }
    Erase(parent->children, node);
    ShrinkIfSparse(parent->children);
    node->parent = nullptr;
    node->depth = 0;
}

SphereNode* SphereTree::NewNode() {
    if (spareNodes.empty()) return new SphereNode;
    SphereNode* node = spareNodes.back();
    spareNodes.pop_back();
    return node;
}

void SphereTree::FreeNode(SphereNode* node) {
    // Back to a new node's state. Most containers that empty out are deepest ones that held a
    // single leaf, and a spare node most often becomes one again, so a one-entry children list
    // is kept for it; longer lists are let go, so that spare nodes do not hoard memory.
    std::vector<SphereNode*> children;
    if (node->children.capacity() == 1) children.swap(node->children);
    *node = SphereNode();
    children.clear();
    node->children.swap(children);
    spareNodes.push_back(node);
}
