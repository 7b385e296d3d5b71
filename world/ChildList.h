// A container's children as the tree keeps them: one block of entries, in the order of the
// children, each entry holding what placing a leaf, refitting the container and a query's test
// of the children read, so that those read one short run of memory rather than every child:
//
//     ChildBlock: count, capacity (8 bytes), then capacity entries of 32 bytes, two to a
//     cache line:  center x, y, z, radius | node | below
//
// A sub-container's entry holds a copy of its sphere and its own block (below.block), kept in
// step by the tree whenever either changes; a walk down the tree goes from block to block
// without reading the container nodes. A leaf's entry holds the leaf's object (below.object)
// and no sphere (radius kLeafEntry): a leaf's sphere changes every frame, and only its own
// node keeps it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/Vec3.h"

class Object3D;
class SphereNode;
struct ChildBlock;

struct ChildEntry {
    // The radius of a leaf's entry; no sub-container's sphere has a negative radius.
    static constexpr float kLeafEntry = -1.0f;

    bool IsLeaf() const { return radius == kLeafEntry; }

    Vec3 center;
    float radius;
    SphereNode* node;
    union {
        ChildBlock* block;  // a sub-container's children
        Object3D* object;   // a leaf's object
    } below;
};

struct ChildBlock {
    uint32_t count;
    uint32_t capacity;

    ChildEntry* Entries() { return reinterpret_cast<ChildEntry*>(this + 1); }
    ChildEntry const* Entries() const { return reinterpret_cast<ChildEntry const*>(this + 1); }
};
static_assert(sizeof(ChildBlock) % alignof(ChildEntry) == 0, "entries follow the header");

// The children field of a node: read-only to everyone but the tree, which changes it through
// its block pool. Reads give the child nodes, in order.
class ChildList {
public:
    class Iterator {
    public:
        explicit Iterator(ChildEntry const* at) : entry(at) {}
        SphereNode* operator*() const { return entry->node; }
        Iterator& operator++() {
            ++entry;
            return *this;
        }
        bool operator!=(Iterator const& other) const { return entry != other.entry; }
        bool operator==(Iterator const& other) const { return entry == other.entry; }

    private:
        ChildEntry const* entry;
    };

    size_t size() const { return block != nullptr ? block->count : 0; }
    bool empty() const { return size() == 0; }
    SphereNode* operator[](size_t index) const { return Entries()[index].node; }
    Iterator begin() const { return Iterator(Entries()); }
    Iterator end() const { return Iterator(Entries() + size()); }

    ChildEntry const* Entries() const { return block != nullptr ? block->Entries() : nullptr; }
    ChildBlock* Block() const { return block; }

private:
    friend class SphereTree;
    ChildBlock* block = nullptr;  // owned by the tree's block pool; null when there are none
};
