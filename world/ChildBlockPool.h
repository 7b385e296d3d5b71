// The storage of the tree's child blocks (ChildList.h). Blocks come in capacities of powers of
// two, each capacity with its own chunks and free list, so that children coming and going,
// every frame, cost no call to the allocator; blocks larger than the chunks hold come from the
// allocator one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "world/ChildList.h"

class ChildBlockPool {
public:
    ChildBlockPool() = default;
    ~ChildBlockPool();
    ChildBlockPool(ChildBlockPool const&) = delete;
    ChildBlockPool& operator=(ChildBlockPool const&) = delete;

    // An empty block with room for at least capacity entries.
    ChildBlock* New(uint32_t capacity);
    // Gives a block back; null is ignored.
    void Free(ChildBlock* block);

private:
    // Capacities 1, 2, 4, ... up to 2^(kPooledSizes - 1) come from chunks.
    static constexpr int kPooledSizes = 11;
    static constexpr size_t kLargestChunkBytes = size_t{1} << 18;

    static size_t BlockBytes(uint32_t capacity) {
        return sizeof(ChildBlock) + capacity * sizeof(ChildEntry);
    }

    struct FreeBlock {
        FreeBlock* next;
    };
    struct Size {
        std::vector<std::unique_ptr<unsigned char[]>> chunks;
        size_t blocksInLastChunk = 0;
        size_t usedInLastChunk = 0;
        FreeBlock* free = nullptr;
    };
    Size sizes[kPooledSizes];
};
