#include "world/EntitySphereTree.h"

#include <cmath>

#include "scene/Frustum.h"
#include "scene/Object3D.h"
#include "world/TreeKernels.h"

namespace {

// Fraction of the probe's length allowed past either end of a segment or of the frame.
constexpr float kEndTolerance = 0.001f;

using Walk = std::vector<const ChildEntry*>;

// Puts in next the entries of block whose children are to be looked at further, in order:
// every leaf, and the sub-containers whose sphere passes test(center, radius); a sub-container
// with a lone leaf stands for its leaf from then on. What the walk will read of each is asked
// for as soon as it is put in next, the sub-container's block, and of a leaf what fetchLeaf
// asks for. Answers whether any sub-container with a block was put in next.
template <typename Test, typename FetchLeaf>
bool ExpandBlock(const ChildBlock* block, Walk& next, const Test& test,
                 const FetchLeaf& fetchLeaf) {
    if (block == nullptr) return false;
    bool containers = false;
    const ChildEntry* const entries = block->Entries();
    const uint32_t count = block->count;
    for (uint32_t c = 0; c < count; ++c) {
        const ChildEntry& child = entries[c];
        if (child.IsLeaf()) {
            // Leaves make their own test at the end.
            fetchLeaf(child);
            next.push_back(&child);
        } else if (test(child.center, child.radius)) {
            next.push_back(&child);
            if (child.LeadsToLeaf()) {
                fetchLeaf(child);
            } else {
                treekernels::PrefetchBlock(child.Block());
                containers = true;
            }
        }
    }
    return containers;
}

// Puts in next what lies below the entries of current, in order: each leaf as it is, and each
// sub-container's children as ExpandBlock takes them. Answers whether any sub-container was
// put in next.
template <typename Test, typename FetchLeaf>
bool Expand(const Walk& current, Walk& next, const Test& test, const FetchLeaf& fetchLeaf) {
    bool containers = false;
    for (const ChildEntry* entry : current) {
        if (entry->LeadsToLeaf()) {
            next.push_back(entry);
        } else if (ExpandBlock(entry->Block(), next, test, fetchLeaf)) {
            containers = true;
        }
    }
    return containers;
}

// Finds the leaves below root whose containers all pass test(center, radius), root included,
// and hands their entries to found, which makes the leaf's own test, in the order of a
// depth-first walk through the children. The walk goes level by level, reading only the child
// blocks, so that the blocks of the next level (and the leaves' objects) are asked for while
// the rest of this level is tested: they lie scattered in memory, and waiting for each in turn
// is what a query would otherwise spend its time on. fetchLeaf asks for what found will read
// of a leaf. walk and next are scratch storage kept between queries.
template <typename Test, typename FetchLeaf, typename Found>
void Search(const SphereNode* root, const Test& test, const FetchLeaf& fetchLeaf,
            const Found& found, Walk& walk, Walk& next) {
    walk.clear();
    if (!test(root->center, root->radius)) return;
    bool containers = ExpandBlock(root->children.Block(), walk, test, fetchLeaf);
    while (containers) {
        next.clear();
        containers = Expand(walk, next, test, fetchLeaf);
        walk.swap(next);
    }
    for (const ChildEntry* leaf : walk) found(*leaf);
}

// The leaf node an entry the walk ends at stands for: a leaf's own, or the lone leaf of a
// sub-container.
const SphereNode* LeafOf(const ChildEntry& entry) {
    return entry.IsLeaf() ? entry.node : entry.node->children.LoneLeaf();
}

// What the frustum query's leaf test reads of an object: its sphere now.
void FetchLiveSphere(const ChildEntry& leaf) {
    const Object3D* object = leaf.Object();
    treekernels::Prefetch(&object->radius);
    treekernels::Prefetch(&object->position);
}

// What the sweep query's leaf test reads of an object: its sphere now and its last step.
void FetchObject(const ChildEntry& leaf) {
    FetchLiveSphere(leaf);
    treekernels::Prefetch(&leaf.Object()->previousPosition);
}

// What the other leaf tests read: the leaf's own sphere (through its container's node for a
// lone leaf).
void FetchLeafNode(const ChildEntry& leaf) {
    treekernels::Prefetch(leaf.node);
}

bool ReachesIntoFrustum(Plane const (&planes)[Frustum::kPlaneCount], const Vec3& center,
                        float radius) {
    for (const Plane& plane : planes) {
        if (plane.Distance(center) + radius < 0.0f) return false;
    }
    return true;
}

bool Overlaps(const Vec3& center, float radius, const Vec3& otherCenter, float otherRadius) {
    const Vec3 offset = otherCenter - center;
    const float reach = otherRadius + radius;
    return !(reach * reach <= Dot(offset, offset));
}

// The ray against a sphere: false when it misses. Otherwise tca is the distance along the ray
// to the point nearest the centre, thc half the chord, and inside tells whether the origin lies
// within the sphere.
bool RayMeetsSphere(const Vec3& center, float radius, const Vec3& origin, const Vec3& direction,
                    float& tca, float& thc, bool& inside) {
    const Vec3 toCenter = center - origin;
    tca = Dot(toCenter, direction);
    const float l2 = Dot(toCenter, toCenter);
    const float r2 = radius * radius;
    if (tca < 0.0f && l2 > r2) return false;
    const float m2 = l2 - tca * tca;
    if (m2 > r2) return false;
    thc = std::sqrt(r2 - m2);
    inside = l2 < r2;
    return true;
}

// The segment from start along the unit direction against a sphere: false when it misses the
// segment (with the end leeway); otherwise entry is the fraction of the segment where it enters
// the sphere, 0 when start lies inside.
bool SegmentMeetsSphere(const Vec3& center, float radius, const Vec3& start, const Vec3& direction,
                        float inverseLength, float& entry) {
    float tca;
    float thc;
    bool inside;
    if (!RayMeetsSphere(center, radius, start, direction, tca, thc, inside)) return false;
    entry = 0.0f;
    if (inside) return true;
    entry = (tca - thc) * inverseLength;
    const float exit = (tca + thc) * inverseLength;
    if (entry + kEndTolerance < 0.0f && exit + kEndTolerance < 0.0f) return false;
    // The same leeway past the end as before the start: an entry at or just beyond the end
    // still counts.
    return !(entry - kEndTolerance > 1.0f && exit - kEndTolerance > 1.0f);
}

// What the sweep query needs of its mover, read once.
struct Mover {
    const Object3D* object;
    Vec3 previous;
    Vec3 step;  // position - previous
    float radius;
    Vec3 sweptCenter;  // the sphere around the whole of the last step
    float sweptRadius;
};

// Whether mover met other's sphere during the last frame, both moving in straight lines; t is
// the fraction of the frame at first contact.
bool SweepMeets(const Mover& mover, Object3D* other, float& t) {
    if (other == mover.object) return false;
    const Vec3 otherPosition = *other->GetPosition();
    const Vec3 otherPrevious = *other->GetPreviousPosition();
    const Vec3 relativeStep = mover.step - (otherPosition - otherPrevious);
    const Vec3 relativeStart = mover.previous - otherPrevious;
    const float reach = other->GetRadius() + mover.radius;

    const float a = Dot(relativeStep, relativeStep);
    if (a == 0.0f) return false;  // no relative motion, no first contact
    const float b = 2.0f * Dot(relativeStep, relativeStart);
    const float c = Dot(relativeStart, relativeStart) - reach * reach;
    const float discriminant = b * b - 4.0f * a * c;
    if (discriminant < 0.0f) return false;
    t = (-b - std::sqrt(discriminant)) / (2.0f * a);
    return !(t < -kEndTolerance || t > 1.0f + kEndTolerance);
}

}  // namespace

EntitySphereTree::EntitySphereTree(float rootRadius, float depth, float divisor, float rootSlack,
                                   float slackScale_)
    : SphereTree(rootRadius, depth, divisor, rootSlack, slackScale_) {}

EntitySphereTree::~EntitySphereTree() = default;

void EntitySphereTree::Update() {
    SphereTree::Update();
    for (SphereNode* leaf : escaped) leaf->object->active = 0;
    escaped.clear();
}

void EntitySphereTree::QueryRay(const Vec3* origin, const Vec3* direction,
                                std::list<Object3D*>& objects, std::list<float>& distances) {
    const Vec3 from = *origin;
    const Vec3 along = *direction;
    const auto meets = [&](const Vec3& center, float radius) {
        float tca;
        float thc;
        bool inside;
        return RayMeetsSphere(center, radius, from, along, tca, thc, inside);
    };
    Search(
        root, meets, FetchLeafNode,
        [&](const ChildEntry& entry) {
            SphereNode const* leaf = LeafOf(entry);
            float tca;
            float thc;
            bool inside;
            if (!RayMeetsSphere(leaf->center, leaf->radius, from, along, tca, thc, inside)) return;
            objects.push_back(leaf->object);
            distances.push_back(inside ? tca + thc : tca - thc);
        },
        walk, walkNext);
}

void EntitySphereTree::QuerySegment(const Vec3* start, const Vec3* end,
                                    std::list<Object3D*>& objects, std::list<float>& parameters) {
    Vec3 direction = *end - *start;
    const float length = direction.Length();
    // A segment of no length is the point at start: the direction stays zero, and every sphere
    // holding or touching that point is met at parameter 0.
    float inverseLength = 0.0f;
    if (length > 0.0f) {
        inverseLength = 1.0f / length;
        direction = direction * inverseLength;
    }
    const Vec3 from = *start;
    const auto meets = [&](const Vec3& center, float radius) {
        float entry;
        return SegmentMeetsSphere(center, radius, from, direction, inverseLength, entry);
    };
    Search(
        root, meets, FetchLeafNode,
        [&](const ChildEntry& found) {
            SphereNode const* leaf = LeafOf(found);
            float entry;
            if (!SegmentMeetsSphere(leaf->center, leaf->radius, from, direction, inverseLength,
                                    entry)) {
                return;
            }
            objects.push_back(leaf->object);
            parameters.push_back(entry);
        },
        walk, walkNext);
}

void EntitySphereTree::QueryFrustum(Frustum* frustum, std::list<Object3D*>& objects) {
    if (frustum == nullptr) return;
    Plane planes[Frustum::kPlaneCount];
    for (int i = 0; i < Frustum::kPlaneCount; ++i) planes[i] = *frustum->GetPlane(i);
    const auto reaches = [&planes](const Vec3& center, float radius) {
        return ReachesIntoFrustum(planes, center, radius);
    };
    Search(
        root, reaches, FetchLiveSphere,
        [&](const ChildEntry& leaf) {
            // The object's own sphere now, not the leaf's sweep.
            Object3D* object = leaf.Object();
            if (ReachesIntoFrustum(planes, *object->GetPosition(), object->GetRadius())) {
                objects.push_back(object);
            }
        },
        walk, walkNext);
}

void EntitySphereTree::QuerySphere(const Vec3* center, float radius,
                                   std::list<Object3D*>& objects) {
    const Vec3 around = *center;
    const auto overlaps = [&](const Vec3& nodeCenter, float nodeRadius) {
        return Overlaps(around, radius, nodeCenter, nodeRadius);
    };
    Search(
        root, overlaps, FetchLeafNode,
        [&](const ChildEntry& entry) {
            SphereNode const* leaf = LeafOf(entry);
            if (overlaps(leaf->center, leaf->radius)) objects.push_back(leaf->object);
        },
        walk, walkNext);
}

void EntitySphereTree::QuerySweep(Object3D* mover, std::list<Object3D*>& objects,
                                  std::list<float>& times) {
    const Vec3 position = *mover->GetPosition();
    const Vec3 previous = *mover->GetPreviousPosition();
    const Mover probe{mover,
                      previous,
                      position - previous,
                      mover->GetRadius(),
                      mover->GetSweptCenter(),
                      mover->GetSweptRadius()};
    // Containers against the sphere of the mover's whole step: it may have passed through
    // something early in the frame and be far from it by now.
    const auto near = [&probe](const Vec3& center, float radius) {
        return Overlaps(probe.sweptCenter, probe.sweptRadius, center, radius);
    };
    Search(
        root, near, FetchObject,
        [&](const ChildEntry& leaf) {
            Object3D* object = leaf.Object();
            float t;
            if (!SweepMeets(probe, object, t)) return;
            objects.push_back(object);
            times.push_back(t);
        },
        walk, walkNext);
}
