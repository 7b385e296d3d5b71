#include "world/NodePool.h"

#include <algorithm>

#include "world/TreeKernels.h"

SphereNode* NodePool::New() {
    if (!freeNodes.empty()) {
        SphereNode* node = freeNodes.back();
        freeNodes.pop_back();
        // The next one handed out was freed a while ago and has most likely left the cache.
        if (!freeNodes.empty()) treekernels::Prefetch(freeNodes.back());
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
    freeNodes.push_back(node);
}
