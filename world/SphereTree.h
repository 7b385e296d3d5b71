// A dynamic bounding-sphere tree with a fixed number of levels. Each level's nominal radius is
// a fixed fraction of the level above; leaves wrap their object's motion over the last frame,
// and containers wrap their children plus some slack, so a moving object is only re-placed once
// it leaves that slack. Placement and refitting are deferred to three work queues that Update
// drains once per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "world/ChildBlockPool.h"
#include "world/NodePool.h"
#include "world/SphereNode.h"

class Object3D;

class SphereTree {
public:
    // rootRadius: radius of the root sphere around the origin. depth: number of container levels
    // below the root (truncated). divisor: each level's nominal radius is the level above's
    // divided by it. rootSlack: the root's slack; each level's slack is the level above's times
    // slackScale.
    SphereTree(float rootRadius, float depth, float divisor, float rootSlack, float slackScale);
    SphereTree(const SphereTree&) = delete;
    SphereTree& operator=(const SphereTree&) = delete;

    // Makes a leaf for object and queues it; it joins the hierarchy at the next Update. Returns
    // the length of the insert queue.
    virtual int Insert(Object3D* object);
    // Destroys the object's leaf; an object without a leaf is ignored.
    virtual void RemoveObject(Object3D* object);
    // Takes node out of the queues and its parent and frees it (not its children).
    virtual void DestroyNode(SphereNode* node);
    virtual SphereNode* GetRoot();
    // Once per frame: refreshes the leaves from their objects, re-places those that left their
    // containers, and refits the containers that changed.
    virtual void Update();
    virtual void QueueReinsert(SphereNode* node);
    // Places leaf at or below container node.
    virtual void Integrate(SphereNode* leaf, SphereNode* node);
    virtual void QueueRecompute(SphereNode* node);
    // Refits container node to its children. 0 when it has none left (the caller destroys it).
    virtual int Recompute(SphereNode* node);

    SphereNode* root;
    std::vector<SphereNode*> recomputeQueue;  // containers to refit at the next Update
    std::vector<SphereNode*> insertQueue;     // leaves waiting to be placed
    std::vector<SphereNode*> escaped;         // leaves that left the root sphere
    std::vector<SphereNode*> leaves;          // every live leaf

    int maxDepth;            // depth of the deepest containers
    float childRadiusScale;  // a child level's nominal radius over its parent level's
    float slackScale;        // a child level's slack over its parent level's

protected:
    // Frees every node. Not virtual: trees are deleted as the class they were made as.
    ~SphereTree();

private:
    // Unlinks a placed node from its parent.
    void Detach(SphereNode* node);
    // Where a placement stands on its way down: a container, its entry in its parent's block
    // (null for the root) and its level's depth, nominal radius and slack. Every container holds
    // its level's values as it was made, so the way down reads them from here, and the
    // container's sphere and children from its entry: it reads blocks, not container nodes.
    struct Place {
        SphereNode* node;
        ChildEntry* entry;
        int depth;
        float nominalRadius;
        float slack;
    };
    // Integrate's steps from a place on the way down.
    void Descend(SphereNode* leaf, const Place& at);
    // Appends child's entry to parent's block, making the block larger when it is full (or
    // makes child the lone leaf of a parent without children). Answers the entry, null for a
    // lone leaf. parentEntry: the parent's own entry where the caller knows it, else null.
    ChildEntry* AddChild(SphereNode* parent, SphereNode* child, ChildEntry* parentEntry = nullptr);
    // Moves parent's children into a block of the smallest size with room for room entries,
    // and gives the old one back. Answers the new block.
    ChildBlock* MoveChildren(SphereNode* parent, uint32_t room, ChildEntry* parentEntry = nullptr);
    // Gives node the block of children given (null for none), and its entry in its parent the
    // same.
    void SetBlock(SphereNode* node, ChildBlock* block, ChildEntry* entry = nullptr);
    // Makes leaf node's one child, kept without a block, and its entry in its parent the same.
    void SetLoneLeaf(SphereNode* node, SphereNode* leaf, ChildEntry* entry = nullptr);
    // The entry of node in the block of parent, which holds it.
    ChildEntry* EntryOf(SphereNode* parent, SphereNode* node);
    // Takes node, unlinked from everything, back into the pool with its block.
    void FreeNode(SphereNode* node);
    // Before the i-th leaf of the insert queue is placed: a leaf placed again most often lands
    // below the same containers as before, a little off its former one, so their nodes and
    // blocks are asked for a few leaves ahead, each once the one it is found through has
    // arrived.
    void FetchFormerPlace(size_t i) const;

    NodePool nodes;
    ChildBlockPool blocks;
    // The containers the leaves in the insert queue were taken out of during this Update (null
    // for new leaves), in the queue's order; empty when none was taken out.
    std::vector<SphereNode*> formerParents;
};
