#include "world/EntitySphereTree.h"

#include <cmath>

#include "scene/Frustum.h"
#include "scene/Object3D.h"
#include "world/TreeKernels.h"

namespace {

// Fraction of the probe's length allowed past either end of a segment or of the frame.
constexpr float kEndTolerance = 0.001f;

using Walk = std::vector<ChildEntry const*>;

// Puts in next the entries of block whose children are to be looked at further, in order:
// every leaf, and the sub-containers whose sphere passes test(center, radius); a sub-container
// with a lone leaf stands for its leaf from then on. What the walk will read of each is asked
// for as soon as it is put in next, the sub-container's block, and of a leaf what fetchLeaf
// asks for. Answers whether any sub-container with a block was put in next.
template <typename Test, typename FetchLeaf>
bool ExpandBlock(ChildBlock const* block, Walk& next, Test const& test,
                 FetchLeaf const& fetchLeaf) {
    if (block == nullptr) return false;
    bool containers = false;
    ChildEntry const* const entries = block->Entries();
    uint32_t const count = block->count;
    for (uint32_t c = 0; c < count; ++c) {
        ChildEntry const& child = entries[c];
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
bool Expand(Walk const& current, Walk& next, Test const& test, FetchLeaf const& fetchLeaf) {
    bool containers = false;
    for (ChildEntry const* entry : current) {
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
void Search(SphereNode const* root, Test const& test, FetchLeaf const& fetchLeaf,
            Found const& found, Walk& walk, Walk& next) {
    walk.clear();
    if (!test(root->center, root->radius)) return;
    bool containers = ExpandBlock(root->children.Block(), walk, test, fetchLeaf);
    while (containers) {
        next.clear();
        containers = Expand(walk, next, test, fetchLeaf);
        walk.swap(next);
    }
    for (ChildEntry const* leaf : walk) found(*leaf);
}

// The leaf node an entry the walk ends at stands for: a leaf's own, or the lone leaf of a
// sub-container.
SphereNode const* LeafOf(ChildEntry const& entry) {
    return entry.IsLeaf() ? entry.node : entry.node->children.LoneLeaf();
}

// What the leaf tests of the frustum and sweep queries read of an object: its sphere now and
// its last step.
void FetchObject(ChildEntry const& leaf) {
    Object3D const* object = leaf.Object();
    treekernels::Prefetch(&object->radius);
    treekernels::Prefetch(&object->position);
    treekernels::Prefetch(&object->previousPosition);
}

// What the other leaf tests read: the leaf's own sphere (through its container's node for a
// lone leaf).
void FetchLeafNode(ChildEntry const& leaf) {
    treekernels::Prefetch(leaf.node);
}

bool ReachesIntoFrustum(Plane const (&planes)[Frustum::kPlaneCount], Vec3 const& center,
                        float radius) {
    for (Plane const& plane : planes) {
        if (plane.Distance(center) + radius < 0.0f) return false;
    }
    return true;
}

bool Overlaps(Vec3 const& center, float radius, Vec3 const& otherCenter, float otherRadius) {
    Vec3 const offset = otherCenter - center;
    float const reach = otherRadius + radius;
    return !(reach * reach <= Dot(offset, offset));
}

// The ray against a sphere: false when it misses. Otherwise tca is the distance along the ray
// to the point nearest the centre, thc half the chord, and inside tells whether the origin lies
// within the sphere.
bool RayMeetsSphere(Vec3 const& center, float radius, Vec3 const& origin, Vec3 const& direction,
                    float& tca, float& thc, bool& inside) {
    Vec3 const toCenter = center - origin;
    tca = Dot(toCenter, direction);
    float const l2 = Dot(toCenter, toCenter);
    float const r2 = radius * radius;
    if (tca < 0.0f && l2 > r2) return false;
    float const m2 = l2 - tca * tca;
    if (m2 > r2) return false;
    thc = std::sqrt(r2 - m2);
    inside = l2 < r2;
    return true;
}

// The segment from start along the unit direction against a sphere: false when it misses the
// segment (with the end leeway); otherwise entry is the fraction of the segment where it enters
// the sphere, 0 when start lies inside.
bool SegmentMeetsSphere(Vec3 const& center, float radius, Vec3 const& start,
                        Vec3 const& direction, float inverseLength, float& entry) {
    float tca;
    float thc;
    bool inside;
    if (!RayMeetsSphere(center, radius, start, direction, tca, thc, inside)) return false;
    entry = 0.0f;
    if (inside) return true;
    entry = (tca - thc) * inverseLength;
    float const exit = (tca + thc) * inverseLength;
    if (entry + kEndTolerance < 0.0f && exit + kEndTolerance < 0.0f) return false;
    // The same leeway past the end as before the start: an entry at or just beyond the end
    // still counts.
    return !(entry - kEndTolerance > 1.0f && exit - kEndTolerance > 1.0f);
}

// What the sweep query needs of its mover, read once.
struct Mover {
    Object3D const* object;
    Vec3 previous;
    Vec3 step;           // position - previous
    float radius;
    Vec3 sweptCenter;    // the sphere around the whole of the last step
    float sweptRadius;
};

// Whether mover met other's sphere during the last frame, both moving in straight lines; t is
// the fraction of the frame at first contact.
bool SweepMeets(Mover const& mover, Object3D* other, float& t) {
    if (other == mover.object) return false;
    Vec3 const otherPosition = *other->GetPosition();
    Vec3 const otherPrevious = *other->GetPreviousPosition();
    Vec3 const relativeStep = mover.step - (otherPosition - otherPrevious);
    Vec3 const relativeStart = mover.previous - otherPrevious;
    float const reach = other->GetRadius() + mover.radius;

    float const a = Dot(relativeStep, relativeStep);
    if (a == 0.0f) return false;  // no relative motion, no first contact
    float const b = 2.0f * Dot(relativeStep, relativeStart);
    float const c = Dot(relativeStart, relativeStart) - reach * reach;
    float const discriminant = b * b - 4.0f * a * c;
    if (discriminant < 0.0f) return false;
    t = (-b - std::sqrt(discriminant)) / (2.0f * a);
    return !(t < -kEndTolerance || t > 1.0f + kEndTolerance);
}

}  // namespace

EntitySphereTree::EntitySphereTree(float rootRadius, float depth, float divisor,
                                   float rootSlack, float slackScale_)
    : SphereTree(rootRadius, depth, divisor, rootSlack, slackScale_) {}

EntitySphereTree::~EntitySphereTree() = default;

void EntitySphereTree::Update() {
    SphereTree::Update();
    for (SphereNode* leaf : escaped) leaf->object->active = 0;
    escaped.clear();
}

void EntitySphereTree::QueryRay(Vec3 const* origin, Vec3 const* direction,
                                std::list<Object3D*>& objects, std::list<float>& distances) {
    Vec3 const from = *origin;
    Vec3 const along = *direction;
    auto const meets = [&](Vec3 const& center, float radius) {
        float tca;
        float thc;
        bool inside;
        return RayMeetsSphere(center, radius, from, along, tca, thc, inside);
    };
    Search(root, meets, FetchLeafNode, [&](ChildEntry const& entry) {
        SphereNode const* leaf = LeafOf(entry);
        float tca;
        float thc;
        bool inside;
        if (!RayMeetsSphere(leaf->center, leaf->radius, from, along, tca, thc, inside)) return;
        objects.push_back(leaf->object);
        distances.push_back(inside ? tca + thc : tca - thc);
    }, walk, walkNext);
}

void EntitySphereTree::QuerySegment(Vec3 const* start, Vec3 const* end,
                                    std::list<Object3D*>& objects,
                                    std::list<float>& parameters) {
    Vec3 direction = *end - *start;
    float const length = direction.Length();
    // A segment of no length is the point at start: the direction stays zero, and every sphere
    // holding or touching that point is met at parameter 0.
    float inverseLength = 0.0f;
    if (length > 0.0f) {
        inverseLength = 1.0f / length;
        direction = direction * inverseLength;
    }
    Vec3 const from = *start;
    auto const meets = [&](Vec3 const& center, float radius) {
        float entry;
        return SegmentMeetsSphere(center, radius, from, direction, inverseLength, entry);
    };
    Search(root, meets, FetchLeafNode, [&](ChildEntry const& found) {
        SphereNode const* leaf = LeafOf(found);
        float entry;
        if (!SegmentMeetsSphere(leaf->center, leaf->radius, from, direction, inverseLength,
                                entry)) {
            return;
        }
        objects.push_back(leaf->object);
        parameters.push_back(entry);
    }, walk, walkNext);
}

void EntitySphereTree::QueryFrustum(Frustum* frustum, std::list<Object3D*>& objects) {
    if (frustum == nullptr) return;
    Plane planes[Frustum::kPlaneCount];
    for (int i = 0; i < Frustum::kPlaneCount; ++i) planes[i] = *frustum->GetPlane(i);
    auto const reaches = [&planes](Vec3 const& center, float radius) {
        return ReachesIntoFrustum(planes, center, radius);
    };
    Search(root, reaches, FetchObject, [&](ChildEntry const& leaf) {
        // The object's own sphere now, not the leaf's sweep.
        Object3D* object = leaf.Object();
        if (ReachesIntoFrustum(planes, *object->GetPosition(), object->GetRadius())) {
            objects.push_back(object);
        }
    }, walk, walkNext);
}

void EntitySphereTree::QuerySphere(Vec3 const* center, float radius,
                                   std::list<Object3D*>& objects) {
    Vec3 const around = *center;
    auto const overlaps = [&](Vec3 const& nodeCenter, float nodeRadius) {
        return Overlaps(around, radius, nodeCenter, nodeRadius);
    };
    Search(root, overlaps, FetchLeafNode, [&](ChildEntry const& entry) {
        SphereNode const* leaf = LeafOf(entry);
        if (overlaps(leaf->center, leaf->radius)) objects.push_back(leaf->object);
    }, walk, walkNext);
}

void EntitySphereTree::QuerySweep(Object3D* mover, std::list<Object3D*>& objects,
                                  std::list<float>& times) {
    Vec3 const position = *mover->GetPosition();
    Vec3 const previous = *mover->GetPreviousPosition();
    Mover const probe{mover,
                      previous,
                      position - previous,
                      mover->GetRadius(),
                      mover->GetSweptCenter(),
                      mover->GetSweptRadius()};
    // Containers against the sphere of the mover's whole step: it may have passed through
    // something early in the frame and be far from it by now.
    auto const near = [&probe](Vec3 const& center, float radius) {
        return Overlaps(probe.sweptCenter, probe.sweptRadius, center, radius);
    };
    Search(root, near, FetchObject, [&](ChildEntry const& leaf) {
        Object3D* object = leaf.Object();
        float t;
        if (!SweepMeets(probe, object, t)) return;
        objects.push_back(object);
        times.push_back(t);
    }, walk, walkNext);
}
