#include "world/ChildBlockPool.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

// The smallest power of two not below count, as its exponent.
int SizeIndex(uint32_t count) {
    int index = 0;
    while ((uint32_t{1} << index) < count) ++index;
    return index;
}

}  // namespace

ChildBlockPool::~ChildBlockPool() = default;

ChildBlock* ChildBlockPool::New(uint32_t capacity) {
    int const index = SizeIndex(std::max<uint32_t>(capacity, 1));
    uint32_t const rounded = uint32_t{1} << index;
    size_t const bytes = BlockBytes(rounded);
    void* memory = nullptr;
    if (index >= kPooledSizes) {
        memory = std::malloc(bytes);
        if (memory == nullptr) throw std::bad_alloc();
    } else {
        Size& size = sizes[index];
        if (size.free != nullptr) {
            memory = size.free;
            size.free = size.free->next;
        } else {
            if (size.usedInLastChunk == size.blocksInLastChunk) {
                // Each chunk twice the one before, from 16 blocks up to 256 KiB.
                size_t const most = std::max<size_t>(1, kLargestChunkBytes / bytes);
                size.blocksInLastChunk =
                    size.chunks.empty() ? std::min<size_t>(16, most)
                                        : std::min(size.blocksInLastChunk * 2, most);
                size.chunks.emplace_back(new unsigned char[size.blocksInLastChunk * bytes]);
                size.usedInLastChunk = 0;
            }
            memory = size.chunks.back().get() + size.usedInLastChunk++ * bytes;
        }
    }
    return new (memory) ChildBlock{0, rounded};
}

void ChildBlockPool::Free(ChildBlock* block) {
    if (block == nullptr) return;
    int const index = SizeIndex(block->capacity);
    if (index >= kPooledSizes) {
        std::free(block);
        return;
    }
    FreeBlock* entry = reinterpret_cast<FreeBlock*>(block);
    entry->next = sizes[index].free;
    sizes[index].free = entry;
}
