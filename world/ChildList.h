// A container's children as the tree keeps them: one block of entries, in the order of the
// children, each entry holding what placing a leaf, refitting the container and a query's test
// of the children read, so that those read one short run of memory rather than every child:
//
//     ChildBlock: count, capacity (8 bytes), then capacity entries of 32 bytes, two to a
//     cache line:  center x, y, z, radius | node | below
//
// A sub-container's entry holds a copy of its sphere and, in below, its own block, kept in step
// by the tree whenever either changes; a walk down the tree goes from block to block without
// reading the container nodes. A leaf's entry holds the leaf's object and no sphere (radius
// kLeafEntry): a leaf's sphere changes every frame, and only its own node keeps it.
//
// Most containers of the deepest level hold one leaf and nothing else. Such a container has no
// block: its children field points at the leaf itself, and its entry in its parent's block
// holds the leaf's object in place of a block, both marked with kLoneLeaf in their lowest bit
// (nodes and objects lie at even addresses). The root always keeps a block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/Vec3.h"

class Object3D;
class SphereNode;
struct ChildBlock;

// The mark of a pointer to a container's one leaf, or to that leaf's object.
constexpr uintptr_t kLoneLeaf = 1;

struct ChildEntry {
    // The radius of a leaf's entry; no sub-container's sphere has a negative radius.
    static constexpr float kLeafEntry = -1.0f;

    bool IsLeaf() const { return radius == kLeafEntry; }
    // A leaf's entry, or a sub-container's that holds one leaf and nothing else: either way
    // Object() is the leaf's object.
    bool LeadsToLeaf() const { return IsLeaf() || (below & kLoneLeaf) != 0; }
    // A sub-container's block; null when it has none.
    ChildBlock* Block() const {
        return (below & kLoneLeaf) != 0 ? nullptr : reinterpret_cast<ChildBlock*>(below);
    }
    Object3D* Object() const { return reinterpret_cast<Object3D*>(below & ~kLoneLeaf); }

    Vec3 center;
    float radius;
    SphereNode* node;
    uintptr_t below;  // the block, or the object, as above
};

struct ChildBlock {
    uint32_t count;
    uint32_t capacity;

    ChildEntry* Entries() { return reinterpret_cast<ChildEntry*>(this + 1); }
    const ChildEntry* Entries() const { return reinterpret_cast<const ChildEntry*>(this + 1); }
};
static_assert(sizeof(ChildBlock) % alignof(ChildEntry) == 0, "entries follow the header");

// The children field of a node: read-only to everyone but the tree, which changes it through
// its block pool. Reads give the child nodes, in order.
class ChildList {
public:
    class Iterator {
    public:
        Iterator(const ChildEntry* at, SphereNode* lone) : entry(at), loneLeaf(lone) {}
        SphereNode* operator*() const { return loneLeaf != nullptr ? loneLeaf : entry->node; }
        Iterator& operator++() {
            if (loneLeaf != nullptr) {
                loneLeaf = nullptr;
            } else {
                ++entry;
            }
            return *this;
        }
        bool operator==(const Iterator& other) const {
            return entry == other.entry && loneLeaf == other.loneLeaf;
        }
        bool operator!=(const Iterator& other) const { return !(*this == other); }

    private:
        const ChildEntry* entry;
        SphereNode* loneLeaf;
    };

    size_t size() const {
        if (const ChildBlock* block = Block()) return block->count;
        return bits != 0 ? 1 : 0;
    }
    bool empty() const { return size() == 0; }
    SphereNode* operator[](size_t index) const {
        SphereNode* lone = LoneLeaf();
        return lone != nullptr ? lone : Entries()[index].node;
    }
    Iterator begin() const { return Iterator(Entries(), LoneLeaf()); }
    Iterator end() const {
        const ChildBlock* block = Block();
        return Iterator(block != nullptr ? block->Entries() + block->count : nullptr, nullptr);
    }

    // The block, and its entries; null when there are no children or only a lone leaf.
    ChildBlock* Block() const {
        return (bits & kLoneLeaf) != 0 ? nullptr : reinterpret_cast<ChildBlock*>(bits);
    }
    const ChildEntry* Entries() const {
        const ChildBlock* block = Block();
        return block != nullptr ? block->Entries() : nullptr;
    }
    // The one child, when it is a leaf kept without a block; null otherwise.
    SphereNode* LoneLeaf() const {
        return (bits & kLoneLeaf) != 0 ? reinterpret_cast<SphereNode*>(bits & ~kLoneLeaf) : nullptr;
    }

private:
    friend class SphereTree;
    uintptr_t bits = 0;  // the block (owned by the tree's block pool), or the lone leaf, or 0
};
