// The copies of a container's sub-container spheres (see SphereNode): a growable array held
// through a single pointer, so that the many nodes that have no sub-containers (leaves, and the
// deepest containers, which hold only leaves) pay 8 bytes for it. The count and the capacity
// sit in the same block as the spheres, so reaching them costs one memory access.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/Vec3.h"

struct ChildSphere {
    Vec3 center;
    float radius;
};

class ChildSphereList {
public:
    ChildSphereList() = default;
    ~ChildSphereList();
    ChildSphereList(ChildSphereList&& other) noexcept;
    ChildSphereList& operator=(ChildSphereList&& other) noexcept;
    ChildSphereList(ChildSphereList const&) = delete;
    ChildSphereList& operator=(ChildSphereList const&) = delete;

    size_t size() const { return block != nullptr ? block->size : 0; }
    bool empty() const { return size() == 0; }
    ChildSphere* data() { return block != nullptr ? Items(block) : nullptr; }
    ChildSphere const* data() const { return block != nullptr ? Items(block) : nullptr; }
    ChildSphere& operator[](size_t index) { return data()[index]; }
    ChildSphere const& operator[](size_t index) const { return data()[index]; }
    ChildSphere const* begin() const { return data(); }
    ChildSphere const* end() const { return data() + size(); }

    void push_back(ChildSphere const& sphere);
    // Removes the entry at index (which must be below size()), keeping the order of the rest.
    // Gives most of the storage back once a quarter or less of it is in use.
    void erase(size_t index);

private:
    struct Block {
        uint32_t size;
        uint32_t capacity;
    };
    static ChildSphere* Items(Block* header) { return reinterpret_cast<ChildSphere*>(header + 1); }
    static ChildSphere const* Items(Block const* header) {
        return reinterpret_cast<ChildSphere const*>(header + 1);
    }
    // Moves the entries into a block of the given capacity (at least size()).
    void Reallocate(uint32_t capacity);

    Block* block = nullptr;
};
