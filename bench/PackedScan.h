// A brute-force frustum scan over packed data: every object's live sphere (its current centre
// and radius, as the world's query tests a leaf's object) kept in flat arrays of x, y, z and r,
// and the six-plane test run over all of them. Four spheres at a time where the processor has
// SSE2, one at a time elsewhere; both paths do the same single-precision operations in the same
// order as Plane::Distance and the world's leaf test, so they find exactly the same objects.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/Frustum.h"
#include "scene/Object3D.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class PackedSpheres {
public:
    // Copies every object's present centre and radius into the arrays, in the order given.
    void Refresh(const std::vector<Object3D*>& objects) {
        const size_t count = objects.size();
        x.resize(count);
        y.resize(count);
        z.resize(count);
        r.resize(count);
        for (size_t i = 0; i < count; ++i) {
            Object3D* object = objects[i];
            const Vec3 center = *object->GetPosition();
            x[i] = center.x;
            y[i] = center.y;
            z[i] = center.z;
            r[i] = object->GetRadius();
        }
    }

    // Replaces inside with the index of every sphere that no plane puts wholly behind it.
    void QueryFrustum(Plane const (&planes)[Frustum::kPlaneCount],
                      std::vector<uint32_t>& inside) const {
        inside.clear();
        const size_t count = x.size();
        size_t i = 0;
#if defined(__SSE2__)
        // The planes' coefficients, each in all four lanes, loaded once: the stores into inside
        // could otherwise make the compiler read them again for every four spheres.
        __m128 a[Frustum::kPlaneCount], b[Frustum::kPlaneCount], c[Frustum::kPlaneCount],
            d[Frustum::kPlaneCount];
        for (int p = 0; p < Frustum::kPlaneCount; ++p) {
            a[p] = _mm_set1_ps(planes[p].a);
            b[p] = _mm_set1_ps(planes[p].b);
            c[p] = _mm_set1_ps(planes[p].c);
            d[p] = _mm_set1_ps(planes[p].d);
        }
        const float* xs = x.data();
        const float* ys = y.data();
        const float* zs = z.data();
        const float* rs = r.data();
        const __m128 zero = _mm_setzero_ps();
        for (; i + 4 <= count; i += 4) {
            const __m128 px = _mm_loadu_ps(xs + i);
            const __m128 py = _mm_loadu_ps(ys + i);
            const __m128 pz = _mm_loadu_ps(zs + i);
            const __m128 pr = _mm_loadu_ps(rs + i);
            __m128 keep = _mm_castsi128_ps(_mm_set1_epi32(-1));
            for (int p = 0; p < Frustum::kPlaneCount; ++p) {
                __m128 distance = _mm_add_ps(_mm_mul_ps(a[p], px), _mm_mul_ps(b[p], py));
                distance = _mm_add_ps(distance, _mm_mul_ps(c[p], pz));
                distance = _mm_add_ps(distance, d[p]);
                // Kept unless distance + radius < 0, as in the scalar test.
                keep = _mm_and_ps(keep, _mm_cmpnlt_ps(_mm_add_ps(distance, pr), zero));
            }
            const int mask = _mm_movemask_ps(keep);
            if (mask == 0) continue;
            for (int k = 0; k < 4; ++k) {
                if (mask & (1 << k)) inside.push_back(static_cast<uint32_t>(i + k));
            }
        }
#endif
        for (; i < count; ++i) {
            bool keep = true;
            for (const Plane& plane : planes) {
                const float distance = plane.a * x[i] + plane.b * y[i] + plane.c * z[i] + plane.d;
                if (distance + r[i] < 0.0f) keep = false;
            }
            if (keep) inside.push_back(static_cast<uint32_t>(i));
        }
    }

private:
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> z;
    std::vector<float> r;
};
