// The few places where the sphere tree asks the processor for something in particular: reading
// memory ahead of use, and arithmetic over a container's run of child entries (ChildList.h:
// centre x, y, z and radius in the first 16 of every 32 bytes), four children at a time
// where the processor has SSE2, one at a time elsewhere. Both paths do the same single-precision
// operations in the same order (sqrt is correctly rounded in both), so their results are
// identical to the bit: the tree's choices depend on exact comparisons of these values.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>

#include "math/Vec3.h"
#include "world/ChildList.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace treekernels {

// Asks for the cache line holding address; a hint only, never a fault, even for null.
inline void Prefetch(void const* address) {
    __builtin_prefetch(address);
}

// Asks for the start of a child block: its count and its first entries.
inline void PrefetchBlock(ChildBlock const* block) {
    if (block == nullptr) return;
    char const* bytes = reinterpret_cast<char const*>(block);
    Prefetch(bytes);
    Prefetch(bytes + 64);
}

// out[i] = (point - entries[i].center).Length() + reach for the sub-containers' entries, and
// infinity for the leaves' (which hold no sphere), for i below count.
inline void ContainerDistancesPlus(ChildEntry const* entries, size_t count, Vec3 const& point,
                                   float reach, float* out) {
    float const kLeaf = std::numeric_limits<float>::infinity();
    size_t i = 0;
#if defined(__SSE2__)
    static_assert(sizeof(ChildEntry) == 8 * sizeof(float) && offsetof(ChildEntry, center) == 0 &&
                      offsetof(ChildEntry, radius) == 3 * sizeof(float),
                  "an entry starts with its sphere, one SSE register, and is two registers long");
    __m128 const px = _mm_set1_ps(point.x);
    __m128 const py = _mm_set1_ps(point.y);
    __m128 const pz = _mm_set1_ps(point.z);
    __m128 const add = _mm_set1_ps(reach);
    __m128 const leafRadius = _mm_set1_ps(ChildEntry::kLeafEntry);
    __m128 const leafDistance = _mm_set1_ps(kLeaf);
    float const* raw = reinterpret_cast<float const*>(entries);
    for (; i + 4 <= count; i += 4) {
        // Four children's (x, y, z, r) rows turned into columns of x, y, z and r.
        __m128 x = _mm_loadu_ps(raw + 8 * i);
        __m128 y = _mm_loadu_ps(raw + 8 * i + 8);
        __m128 z = _mm_loadu_ps(raw + 8 * i + 16);
        __m128 r = _mm_loadu_ps(raw + 8 * i + 24);
        _MM_TRANSPOSE4_PS(x, y, z, r);
        __m128 const dx = _mm_sub_ps(px, x);
        __m128 const dy = _mm_sub_ps(py, y);
        __m128 const dz = _mm_sub_ps(pz, z);
        __m128 const squared = _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)),
                                          _mm_mul_ps(dz, dz));
        __m128 const distance = _mm_add_ps(_mm_sqrt_ps(squared), add);
        __m128 const leaf = _mm_cmpeq_ps(r, leafRadius);
        _mm_storeu_ps(out + i, _mm_or_ps(_mm_and_ps(leaf, leafDistance),
                                         _mm_andnot_ps(leaf, distance)));
    }
#endif
    for (; i < count; ++i) {
        out[i] = entries[i].IsLeaf() ? kLeaf : (point - entries[i].center).Length() + reach;
    }
}

}  // namespace treekernels
