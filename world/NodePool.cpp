#include "world/NodePool.h"

#include <algorithm>

#include "world/TreeKernels.h"

SphereNode* NodePool::New() {
    if (firstFree != nullptr) {
        SphereNode* node = firstFree;
        firstFree = node->parent;
        node->parent = nullptr;
        // The next one handed out was freed a while ago and has most likely left the cache;
        // its link is read when it is handed out.
        treekernels::Prefetch(firstFree);
        return node;
    }
    if (usedInLastChunk == lastChunkSize) {
        lastChunkSize = chunks.empty() ? kFirstChunk : std::min(lastChunkSize * 2, kLargestChunk);
        chunks.push_back(std::make_unique<SphereNode[]>(lastChunkSize));
        usedInLastChunk = 0;
    }
    return &chunks.back()[usedInLastChunk++];
}

void NodePool::Free(SphereNode* node) {
    *node = SphereNode();
    node->parent = firstFree;
    firstFree = node;
}
