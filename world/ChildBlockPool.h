// The storage of the tree's child blocks (ChildList.h). Blocks come in a few sizes, 1, 2, 3, 4,
// 6, 8, 12, 16, ... entries (each a power of two or one and a half times one). Sizes up to four
// entries have their own chunks and free lists, so that the small blocks of the deep containers,
// which come and go every frame, cost no call to the allocator; larger blocks come from the
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
    ChildBlockPool(const ChildBlockPool&) = delete;
    ChildBlockPool& operator=(const ChildBlockPool&) = delete;

    // An empty block of the smallest size that holds count entries.
    ChildBlock* New(uint32_t count);
    // Gives a block back; null is ignored.
    void Free(ChildBlock* block);

    // The entries a block of the given size holds.
    static uint32_t Capacity(int size);
    // The smallest size that holds count entries.
    static int SizeFor(uint32_t count);

private:
    // Sizes up to 4 entries come from chunks: the blocks of the deep containers, which come
    // and go with the leaves that move. Larger blocks change size seldom, and from the
    // allocator they give their memory back to blocks of every other size.
    static constexpr int kPooledSizes = 4;
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
