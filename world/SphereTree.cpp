#include "world/SphereTree.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scene/Object3D.h"
#include "world/TreeKernels.h"

namespace {

// Removes every entry equal to node from list.
void Erase(std::vector<SphereNode*>& list, SphereNode* node) {
    list.erase(std::remove(list.begin(), list.end(), node), list.end());
}

// The placed leaf of object at or below node, or null.
SphereNode* FindLeaf(SphereNode* node, const Object3D* object) {
    for (SphereNode* child : node->children) {
        if (child->flags & SphereNode::kLeaf) {
            if (child->object == object) return child;
        } else if (SphereNode* found = FindLeaf(child, object)) {
            return found;
        }
    }
    return nullptr;
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

// A child's centre: a sub-container's from its entry, a leaf's from the leaf itself.
const Vec3& CenterOf(const ChildEntry& entry) {
    return entry.IsLeaf() ? entry.node->center : entry.center;
}

float RadiusOf(const ChildEntry& entry) {
    return entry.IsLeaf() ? entry.node->radius : entry.radius;
}

// What an entry's below holds for child: a leaf's object; a sub-container's block, or its lone
// leaf's object.
uintptr_t BelowOf(const SphereNode* child) {
    if (child->flags & SphereNode::kLeaf) return reinterpret_cast<uintptr_t>(child->object);
    if (const SphereNode* lone = child->children.LoneLeaf()) {
        return reinterpret_cast<uintptr_t>(lone->object) | kLoneLeaf;
    }
    return reinterpret_cast<uintptr_t>(child->children.Block());
}

// Fills in child's entry in its parent's block.
void WriteEntry(ChildEntry& entry, SphereNode* child) {
    entry.node = child;
    entry.below = BelowOf(child);
    if (child->flags & SphereNode::kLeaf) {
        entry.center = Vec3();
        entry.radius = ChildEntry::kLeafEntry;
    } else {
        entry.center = child->center;
        entry.radius = child->radius;
    }
}

}  // namespace

SphereTree::SphereTree(float rootRadius, float depth, float divisor, float rootSlack,
                       float slackScale_)
    : root(nullptr),
      maxDepth(static_cast<int>(depth)),
      childRadiusScale(1.0f / divisor),
      slackScale(slackScale_) {
    root = nodes.New();
    root->nominalRadius = rootRadius;
    root->radius = rootRadius;
    root->flags = SphereNode::kContainer | SphereNode::kRoot;
    root->slack = rootSlack;
}

SphereTree::~SphereTree() {
    // The nodes and the pooled blocks go with their pools; blocks too large for the pool are
    // given back one by one.
    std::vector<SphereNode*> pending{root};
    while (!pending.empty()) {
        SphereNode* node = pending.back();
        pending.pop_back();
        for (SphereNode* child : node->children) {
            if (child->flags & SphereNode::kContainer) pending.push_back(child);
        }
        blocks.Free(node->children.Block());
    }
}

int SphereTree::Insert(Object3D* object) {
    if (object == nullptr) return static_cast<int>(insertQueue.size());
    SphereNode* leaf = nodes.New();
    leaf->object = object;
    leaf->radius = object->GetRadius();
    leaf->center = *object->GetPosition();
    leaf->flags = SphereNode::kLeaf | SphereNode::kInsertQueued;
    leaves.push_back(leaf);
    insertQueue.push_back(leaf);
    return static_cast<int>(insertQueue.size());
}

void SphereTree::RemoveObject(Object3D* object) {
    const auto found = std::find_if(leaves.begin(), leaves.end(),
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
    const size_t leafCount = leaves.size();
    for (size_t i = 0; i < leafCount; ++i) {
        // The leaves and their objects lie in order in memory, their containers scattered:
        // each container is asked for a few leaves before it is needed, once the leaf it is
        // found through has arrived, so that the waits overlap.
        if (i + 32 < leafCount) treekernels::Prefetch(leaves[i + 32]);
        if (i + 16 < leafCount) treekernels::Prefetch(leaves[i + 16]->parent);
        SphereNode* leaf = leaves[i];
        leaf->center = leaf->object->GetSweptCenter();
        leaf->radius = leaf->object->GetSweptRadius();
        if (leaf->flags & SphereNode::kInsertQueued) continue;
        if (leaf->parent == nullptr || leaf->FitMarginIn(*leaf->parent) >= 0.0f) continue;
        if (leaf->FitMarginIn(*root) > 0.0f) {
            // Out of its container but still in the world: placed again from the root below.
            // It is detached right after this walk, with the others: nothing in the walk reads
            // a container's children, and taking them out together lets their containers'
            // blocks be asked for ahead.
            QueueReinsert(leaf);
            QueueRecompute(leaf->parent);
        } else {
            // Left the world. The leaf stays where it was; only the leaf list forgets it.
            escaped.push_back(leaf);
        }
    }

    // The leaves queued by the walk, in the order it queued them; leaves added since the last
    // update wait in the queue too, but they have no parent.
    const size_t queued = insertQueue.size();
    formerParents.clear();
    for (size_t i = 0; i < queued; ++i) {
        // Taking a leaf out reads its container, the container's block (none for a lone leaf),
        // and the container's entry in its own parent's block: each asked for a few leaves
        // ahead, once the node it is found through has arrived.
        if (i + 16 < queued) treekernels::Prefetch(insertQueue[i + 16]);
        if (i + 12 < queued) treekernels::Prefetch(insertQueue[i + 12]->parent);
        if (i + 8 < queued) {
            if (const SphereNode* parent = insertQueue[i + 8]->parent) {
                treekernels::Prefetch(parent->parent);
            }
        }
        if (i + 4 < queued) {
            const SphereNode* parent = insertQueue[i + 4]->parent;
            if (parent != nullptr && parent->parent != nullptr) {
                treekernels::PrefetchBlock(parent->children.Block());
                if (const ChildBlock* above = parent->parent->children.Block()) {
                    treekernels::Prefetch(above->Entries() + parent->entryHint);
                }
            }
        }
        SphereNode* leaf = insertQueue[i];
        if (leaf->parent == nullptr) continue;
        // Kept only once a leaf is taken out: the first placement of every leaf needs none.
        if (formerParents.empty()) formerParents.assign(queued, nullptr);
        formerParents[i] = leaf->parent;
        Detach(leaf);
    }

    if (!escaped.empty()) {
        leaves.erase(std::remove_if(leaves.begin(), leaves.end(),
                                    [this](SphereNode* leaf) {
                                        return std::find(escaped.begin(), escaped.end(), leaf) !=
                                               escaped.end();
                                    }),
                     leaves.end());
    }

    for (size_t i = 0; i < queued; ++i) {
        // The leaf itself was last read by the walk over all leaves, long gone from the cache.
        if (i + 4 < queued) treekernels::Prefetch(insertQueue[i + 4]);
        if (!formerParents.empty()) FetchFormerPlace(i);
        Integrate(insertQueue[i], root);
    }
    ClearQueue(insertQueue);
    ClearQueue(formerParents);

    // Refits queue the parents of the containers they change, so the walk runs to the end of a
    // queue that grows under it. Indices, not iterators: the vector may reallocate.
    // A refit reads the node, its block, the nodes of its leaves and its parent's block (where
    // the copy of its sphere is): each asked for a few entries ahead, once the one it is found
    // through has arrived.
    for (size_t i = 0; i < recomputeQueue.size(); ++i) {
        const size_t count = recomputeQueue.size();
        if (i + 12 < count) treekernels::Prefetch(recomputeQueue[i + 12]);
        if (i + 8 < count) {
            const SphereNode* ahead = recomputeQueue[i + 8];
            treekernels::Prefetch(ahead->children.Block());
            treekernels::Prefetch(ahead->parent);
        }
        if (i + 4 < count) {
            const SphereNode* ahead = recomputeQueue[i + 4];
            if (ahead->parent != nullptr) treekernels::Prefetch(ahead->parent->children.Block());
            if (const SphereNode* lone = ahead->children.LoneLeaf()) {
                treekernels::Prefetch(lone);
            } else if (const ChildEntry* first = ahead->children.Entries()) {
                if (first->IsLeaf()) treekernels::Prefetch(first->node);
            }
        }
        SphereNode* node = recomputeQueue[i];
        const int result = Recompute(node);
        node->flags &= ~SphereNode::kRecomputeQueued;
        if (result == 0) DestroyNode(node);
    }
    ClearQueue(recomputeQueue);
}

void SphereTree::FetchFormerPlace(size_t i) const {
    const size_t queued = formerParents.size();
    if (i + 12 < queued) treekernels::Prefetch(formerParents[i + 12]);
    if (i + 8 < queued && formerParents[i + 8] != nullptr) {
        treekernels::Prefetch(formerParents[i + 8]->parent);
    }
    if (i + 4 < queued && formerParents[i + 4] != nullptr) {
        if (const SphereNode* above = formerParents[i + 4]->parent) {
            treekernels::PrefetchBlock(above->children.Block());
            treekernels::Prefetch(above->parent);
        }
    }
    if (i + 2 < queued && formerParents[i + 2] != nullptr) {
        const SphereNode* above = formerParents[i + 2]->parent;
        if (above != nullptr && above->parent != nullptr) {
            treekernels::PrefetchBlock(above->parent->children.Block());
        }
    }
}

void SphereTree::QueueReinsert(SphereNode* node) {
    if (node->flags & (SphereNode::kInsertQueued | SphereNode::kRoot)) return;
    node->flags |= SphereNode::kInsertQueued;
    insertQueue.push_back(node);
}

void SphereTree::Integrate(SphereNode* leaf, SphereNode* node) {
    ChildEntry* entry = node->parent != nullptr ? EntryOf(node->parent, node) : nullptr;
    Descend(leaf, Place{node, entry, node->depth, node->nominalRadius, node->slack});
}

void SphereTree::Descend(SphereNode* leaf, const Place& at) {
    SphereNode* const node = at.node;
    // 1, 2: the deepest level, or a leaf too large for node's children: it hangs here (6).
    if (at.depth == maxDepth || at.nominalRadius * childRadiusScale < leaf->radius) {
        QueueRecompute(node);
        AddChild(node, leaf, at.entry);
        leaf->parent = node;
        leaf->depth = at.depth + 1;
        leaf->flags &= ~SphereNode::kInsertQueued;
        return;
    }

    // 3: the nearest child container that already holds the leaf, or else the nearest one that
    // can grow to hold it (with its slack) within its nominal radius. Ties keep the earlier
    // child. The spheres come from node's block, so the child nodes themselves are not read.
    // The sub-containers of one node are all of one level: their slack and nominal radius are
    // the node's times the tree's scales, as they were made.
    const float childSlack = at.slack * slackScale;
    const float childNominalRadius = at.nominalRadius * childRadiusScale;
    // A lone leaf is no container: nothing to scan then.
    ChildBlock* const block = at.entry != nullptr ? at.entry->Block() : node->children.Block();
    ChildEntry* const entries = block != nullptr ? block->Entries() : nullptr;
    const size_t count = block != nullptr ? block->count : 0;
    float best = 1e9f;
    float containMargin = 0.0f;
    size_t containIndex = SIZE_MAX;
    float growLimit = 0.0f;
    size_t growIndex = SIZE_MAX;
    // The distances come first, a batch at a time, apart from the choice: each one waits for a
    // square root, and the choice between them would otherwise wait for every one in turn.
    constexpr size_t kBatch = 64;
    float distances[kBatch];
    for (size_t first = 0; first < count; first += kBatch) {
        const size_t batch = std::min(kBatch, count - first);
        treekernels::ContainerDistancesPlus(entries + first, batch, leaf->center, leaf->radius,
                                            distances);
        for (size_t k = 0; k < batch; ++k) {
            // Leaves come out at infinity, so that they are passed over here.
            const float d = distances[k];
            if (d >= best) continue;
            best = d;
            const float m = d - entries[first + k].radius;
            if (m < containMargin) {
                containIndex = first + k;
                containMargin = m;
                continue;
            }
            const float g = d + childSlack - childNominalRadius;
            if (g < growLimit) {
                growIndex = first + k;
                growLimit = g;
            }
        }
    }
    Place below{nullptr, nullptr, at.depth + 1, childNominalRadius, childSlack};

    // 4: into the container that holds it.
    if (containIndex != SIZE_MAX) {
        below.node = entries[containIndex].node;
        below.entry = &entries[containIndex];
        Descend(leaf, below);
        return;
    }

    // 5: grow the one that can, or else make a new one, centred on the leaf.
    if (growIndex != SIZE_MAX) {
        below.node = entries[growIndex].node;
        below.entry = &entries[growIndex];
        below.node->radius = childSlack + best;
        below.entry->radius = childSlack + best;
    } else {
        SphereNode* next = nodes.New();
        next->flags = SphereNode::kContainer;
        next->depth = below.depth;
        next->nominalRadius = childNominalRadius;
        next->radius = next->nominalRadius;
        next->slack = childSlack;
        next->center = leaf->center;
        next->parent = node;
        below.node = next;
        below.entry = AddChild(node, next, at.entry);
    }
    // A grown container, or a new one at its full nominal radius, can reach outside node. Left
    // so, a leaf that later moves within it into that outer part would be cut off by every
    // query that rejects node; so node is refitted around it. (The fit margin, from the
    // spheres' copies in the entries.)
    const Vec3& center = at.entry != nullptr ? at.entry->center : node->center;
    const float radius = at.entry != nullptr ? at.entry->radius : node->radius;
    below.node->fitMargin =
        radius - ((below.entry->center - center).Length() + below.entry->radius);
    if (below.node->fitMargin < 0.0f) QueueRecompute(node);
    Descend(leaf, below);
}

void SphereTree::QueueRecompute(SphereNode* node) {
    if (node == nullptr) return;
    if (node->flags & (SphereNode::kRecomputeQueued | SphereNode::kRoot)) return;
    node->flags |= SphereNode::kRecomputeQueued;
    recomputeQueue.push_back(node);
}

int SphereTree::Recompute(SphereNode* node) {
    // 1: nothing left to enclose.
    if (node->children.empty()) {
        QueueRecompute(node->parent);
        return 0;
    }

    // 2: the mean of the children's centres. A lone leaf is read through an entry of its own,
    // so that it goes through the same steps as the children of a block.
    ChildEntry loneEntry;
    const ChildEntry* entries = node->children.Entries();
    const size_t count = node->children.size();
    if (SphereNode* lone = node->children.LoneLeaf()) {
        WriteEntry(loneEntry, lone);
        entries = &loneEntry;
    }
    Vec3 sum;
    for (size_t i = 0; i < count; ++i) sum += CenterOf(entries[i]);
    const Vec3 mean = sum * (1.0f / static_cast<float>(count));

    // 3: the radius that holds every child with the slack around it.
    float newRadius = 0.0f;
    bool reachesPastRadius = false;
    const float slack = node->slack;
    const float radius = node->radius;
    for (size_t i = 0; i < count; ++i) {
        const float e = (CenterOf(entries[i]) - mean).Length() + slack + RadiusOf(entries[i]);
        if (e > newRadius) {
            newRadius = e;
            if (e >= radius) reachesPastRadius = true;
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

    // 4: the refit sphere, in the node and in its parent's copy.
    node->center = mean;
    node->radius = newRadius;
    if (node->parent != nullptr) {
        ChildEntry* entry = EntryOf(node->parent, node);
        entry->center = mean;
        entry->radius = newRadius;
    }
    QueueRecompute(node->parent);
    return 1;
}

void SphereTree::Detach(SphereNode* node) {
    SphereNode* parent = node->parent;
    node->parent = nullptr;
    node->depth = 0;
    if (parent->children.LoneLeaf() == node) {
        SetBlock(parent, nullptr);
        return;
    }
    ChildBlock* block = parent->children.Block();
    ChildEntry* entries = block->Entries();
    ChildEntry* entry = EntryOf(parent, node);
    const size_t after = block->count - static_cast<size_t>(entry - entries) - 1;
    if (after > 0) std::memmove(entry, entry + 1, after * sizeof(ChildEntry));
    --block->count;
    if (block->count == 0) {
        blocks.Free(block);
        SetBlock(parent, nullptr);
    } else if (block->count == 1 && entries[0].IsLeaf() && !(parent->flags & SphereNode::kRoot)) {
        SetLoneLeaf(parent, entries[0].node);
        blocks.Free(block);
    } else if (const int size = ChildBlockPool::SizeFor(block->capacity);
               size >= 2 && block->count <= ChildBlockPool::Capacity(size - 2)) {
        // Children come and go all the time; a block that would fit two sizes down moves into
        // the smallest that holds it, so that blocks do not keep the most they ever held (and
        // one child more or less does not move it to and fro).
        MoveChildren(parent, block->count);
    }
}

ChildEntry* SphereTree::AddChild(SphereNode* parent, SphereNode* child, ChildEntry* parentEntry) {
    // What the parent's children field holds, from its entry where that says (a lone leaf's
    // entry holds the leaf's object, not the leaf).
    const uintptr_t bits = parentEntry != nullptr && !parentEntry->LeadsToLeaf()
                               ? parentEntry->below
                               : parent->children.bits;
    const bool root = parentEntry == nullptr && (parent->flags & SphereNode::kRoot) != 0;
    if (bits == 0 && (child->flags & SphereNode::kLeaf) && !root) {
        SetLoneLeaf(parent, child, parentEntry);
        return nullptr;
    }
    ChildBlock* block = (bits & kLoneLeaf) != 0 ? nullptr : reinterpret_cast<ChildBlock*>(bits);
    if (block == nullptr || block->count == block->capacity) {
        const uint32_t count = block != nullptr ? block->count : (bits != 0 ? 1 : 0);
        block = MoveChildren(parent, count + 1, parentEntry);
    }
    ChildEntry& entry = block->Entries()[block->count];
    WriteEntry(entry, child);
    child->entryHint = block->count;
    ++block->count;
    return &entry;
}

ChildBlock* SphereTree::MoveChildren(SphereNode* parent, uint32_t room, ChildEntry* parentEntry) {
    ChildBlock* moved = blocks.New(room);
    SphereNode* lone = parentEntry != nullptr && !parentEntry->LeadsToLeaf()
                           ? nullptr
                           : parent->children.LoneLeaf();
    if (lone != nullptr) {
        WriteEntry(moved->Entries()[0], lone);
        lone->entryHint = 0;
        moved->count = 1;
    } else {
        ChildBlock* old = parentEntry != nullptr ? parentEntry->Block() : parent->children.Block();
        const uint32_t count = old != nullptr ? old->count : 0;
        if (count > 0) std::memcpy(moved->Entries(), old->Entries(), count * sizeof(ChildEntry));
        moved->count = count;
        blocks.Free(old);
    }
    SetBlock(parent, moved, parentEntry);
    return moved;
}

void SphereTree::SetBlock(SphereNode* node, ChildBlock* block, ChildEntry* entry) {
    node->children.bits = reinterpret_cast<uintptr_t>(block);
    if (entry == nullptr && node->parent != nullptr) entry = EntryOf(node->parent, node);
    if (entry != nullptr) entry->below = reinterpret_cast<uintptr_t>(block);
}

void SphereTree::SetLoneLeaf(SphereNode* node, SphereNode* leaf, ChildEntry* entry) {
    node->children.bits = reinterpret_cast<uintptr_t>(leaf) | kLoneLeaf;
    if (entry == nullptr && node->parent != nullptr) entry = EntryOf(node->parent, node);
    if (entry != nullptr) entry->below = reinterpret_cast<uintptr_t>(leaf->object) | kLoneLeaf;
}

ChildEntry* SphereTree::EntryOf(SphereNode* parent, SphereNode* node) {
    ChildBlock* block = parent->children.Block();
    ChildEntry* entries = block->Entries();
    // The hint is right unless an earlier sibling has left since it was set.
    if (node->entryHint < block->count && entries[node->entryHint].node == node) {
        return &entries[node->entryHint];
    }
    uint32_t index = 0;
    while (entries[index].node != node) ++index;
    node->entryHint = index;
    return &entries[index];
}

void SphereTree::FreeNode(SphereNode* node) {
    blocks.Free(node->children.Block());
    nodes.Free(node);
}
