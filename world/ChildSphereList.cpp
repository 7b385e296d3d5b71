#include "world/ChildSphereList.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

ChildSphereList::~ChildSphereList() {
    std::free(block);
}

ChildSphereList::ChildSphereList(ChildSphereList&& other) noexcept
    : block(std::exchange(other.block, nullptr)) {}

ChildSphereList& ChildSphereList::operator=(ChildSphereList&& other) noexcept {
    if (this != &other) {
        std::free(block);
        block = std::exchange(other.block, nullptr);
    }
    return *this;
}

void ChildSphereList::push_back(ChildSphere const& sphere) {
    uint32_t const count = static_cast<uint32_t>(size());
    if (block == nullptr || count == block->capacity) Reallocate(count == 0 ? 1 : count * 2);
    Items(block)[count] = sphere;
    block->size = count + 1;
}

void ChildSphereList::erase(size_t index) {
    ChildSphere* items = Items(block);
    std::memmove(items + index, items + index + 1, (block->size - index - 1) * sizeof(ChildSphere));
    --block->size;
    if (block->size == 0) {
        std::free(block);
        block = nullptr;
    } else if (block->capacity > 4 && block->size * 4 <= block->capacity) {
        Reallocate(block->size * 2);
    }
}

void ChildSphereList::Reallocate(uint32_t capacity) {
    uint32_t const count = static_cast<uint32_t>(size());
    void* memory = std::malloc(sizeof(Block) + capacity * sizeof(ChildSphere));
    if (memory == nullptr) throw std::bad_alloc();
    Block* fresh = static_cast<Block*>(memory);
    fresh->size = count;
    fresh->capacity = capacity;
    if (count > 0) std::memcpy(Items(fresh), Items(block), count * sizeof(ChildSphere));
    std::free(block);
    block = fresh;
}
