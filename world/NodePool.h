// Where a sphere tree's nodes live: chunks of nodes side by side, never moved, so that a node's
// address stays what it was for as long as the node lives. A freed node goes on a free list,
// linked through its parent field, and is the next one handed out. The program's leaves are made
// one after another before the first update, so they lie in order in the first chunks, and the
// per-frame walk over them reads memory in order; and making or dropping a node costs no call to
// the allocator.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "world/SphereNode.h"

class NodePool {
public:
    NodePool() = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

    // A node with every field 0 or null and no children.
    SphereNode* New();
    // Takes back a node the tree no longer links to; its children must have been let go.
    void Free(SphereNode* node);

private:
    // Chunks grow from 64 nodes, each twice the one before, up to 4096 nodes (256 KiB): a small
    // tree keeps little, a large one few chunks.
    static constexpr size_t kFirstChunk = 64;
    static constexpr size_t kLargestChunk = 4096;

    std::vector<std::unique_ptr<SphereNode[]>> chunks;
    size_t lastChunkSize = 0;
    size_t usedInLastChunk = 0;
    SphereNode* firstFree = nullptr;
};
