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
inline void Prefetch(const void* address) {
    __builtin_prefetch(address);
}

// Asks for the start of a child block: its count and its first entries.
inline void PrefetchBlock(const ChildBlock* block) {
    if (block == nullptr) return;
    const char* bytes = reinterpret_cast<const char*>(block);
    Prefetch(bytes);
    Prefetch(bytes + 64);
}

// out[i] = (point - entries[i].center).Length() + reach for the sub-containers' entries, and
// infinity for the leaves' (which hold no sphere), for i below count.
inline void ContainerDistancesPlus(const ChildEntry* entries, size_t count, const Vec3& point,
                                   float reach, float* out) {
    const float kLeaf = std::numeric_limits<float>::infinity();
    size_t i = 0;
#if defined(__SSE2__)
    static_assert(sizeof(ChildEntry) == 8 * sizeof(float) && offsetof(ChildEntry, center) == 0 &&
                      offsetof(ChildEntry, radius) == 3 * sizeof(float),
                  "an entry starts with its sphere, one SSE register, and is two registers long");
    const __m128 px = _mm_set1_ps(point.x);
    const __m128 py = _mm_set1_ps(point.y);
    const __m128 pz = _mm_set1_ps(point.z);
    const __m128 add = _mm_set1_ps(reach);
    const __m128 leafRadius = _mm_set1_ps(ChildEntry::kLeafEntry);
    const __m128 leafDistance = _mm_set1_ps(kLeaf);
    const float* raw = reinterpret_cast<const float*>(entries);
    for (; i + 4 <= count; i += 4) {
        // Four children's (x, y, z, r) rows turned into columns of x, y, z and r.
        __m128 x = _mm_loadu_ps(raw + 8 * i);
        __m128 y = _mm_loadu_ps(raw + 8 * i + 8);
        __m128 z = _mm_loadu_ps(raw + 8 * i + 16);
        __m128 r = _mm_loadu_ps(raw + 8 * i + 24);
        _MM_TRANSPOSE4_PS(x, y, z, r);
        const __m128 dx = _mm_sub_ps(px, x);
        const __m128 dy = _mm_sub_ps(py, y);
        const __m128 dz = _mm_sub_ps(pz, z);
        const __m128 squared =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz));
        const __m128 distance = _mm_add_ps(_mm_sqrt_ps(squared), add);
        const __m128 leaf = _mm_cmpeq_ps(r, leafRadius);
        _mm_storeu_ps(out + i,
                      _mm_or_ps(_mm_and_ps(leaf, leafDistance), _mm_andnot_ps(leaf, distance)));
    }
#endif
    for (; i < count; ++i) {
        out[i] = entries[i].IsLeaf() ? kLeaf : (point - entries[i].center).Length() + reach;
    }
}

}  // namespace treekernels
