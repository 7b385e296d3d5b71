#include "world/ChildBlockPool.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "world/TreeKernels.h"

ChildBlockPool::~ChildBlockPool() = default;

uint32_t ChildBlockPool::Capacity(int size) {
    if (size == 0) return 1;
    return size % 2 == 1 ? uint32_t{2} << (size / 2) : uint32_t{3} << (size / 2 - 1);
}

int ChildBlockPool::SizeFor(uint32_t count) {
    int size = 0;
    while (Capacity(size) < count) ++size;
    return size;
}

ChildBlock* ChildBlockPool::New(uint32_t count) {
    const int index = SizeFor(count);
    const uint32_t capacity = Capacity(index);
    const size_t bytes = BlockBytes(capacity);
    void* memory = nullptr;
    if (index >= kPooledSizes) {
        memory = std::malloc(bytes);
        if (memory == nullptr) throw std::bad_alloc();
    } else {
        Size& size = sizes[index];
        if (size.free != nullptr) {
            memory = size.free;
            size.free = size.free->next;
            // The next block handed out of this size was freed a while ago and has most likely
            // left the cache; its link is read when it is handed out.
            treekernels::Prefetch(size.free);
        } else {
            if (size.usedInLastChunk == size.blocksInLastChunk) {
                // Each chunk twice the one before, from 4 blocks up to 256 KiB.
                const size_t most = std::max<size_t>(1, kLargestChunkBytes / bytes);
                size.blocksInLastChunk = size.chunks.empty()
                                             ? std::min<size_t>(4, most)
                                             : std::min(size.blocksInLastChunk * 2, most);
                size.chunks.emplace_back(new unsigned char[size.blocksInLastChunk * bytes]);
                size.usedInLastChunk = 0;
            }
            memory = size.chunks.back().get() + size.usedInLastChunk++ * bytes;
        }
    }
    return new (memory) ChildBlock{0, capacity};
}

void ChildBlockPool::Free(ChildBlock* block) {
    if (block == nullptr) return;
    const int index = SizeFor(block->capacity);
    if (index >= kPooledSizes) {
        std::free(block);
        return;
    }
    FreeBlock* entry = reinterpret_cast<FreeBlock*>(block);
    entry->next = sizes[index].free;
    sizes[index].free = entry;
}
