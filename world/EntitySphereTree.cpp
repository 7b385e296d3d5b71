#include "world/EntitySphereTree.h"

#include <cmath>

#include "scene/Frustum.h"
#include "scene/Object3D.h"

namespace {

// Fraction of the probe's length allowed past either end of a segment or of the frame.
constexpr float kEndTolerance = 0.001f;

// The queries only read the tree, so they walk the children lists in place.

void VisitFrustum(SphereNode const* node, Plane const (&planes)[Frustum::kPlaneCount],
                  std::list<Object3D*>& objects) {
    if (node->flags & SphereNode::kLeaf) {
        // The object's own sphere now, not the leaf's sweep.
        Object3D* object = node->object;
        Vec3 const position = *object->GetPosition();
        float const radius = object->GetRadius();
        for (Plane const& plane : planes) {
            if (plane.Distance(position) + radius < 0.0f) return;
        }
        objects.push_back(object);
        return;
    }
    for (Plane const& plane : planes) {
        if (plane.Distance(node->center) + node->radius < 0.0f) return;
    }
    for (SphereNode const* child : node->children) VisitFrustum(child, planes, objects);
}

void VisitSphere(SphereNode const* node, Vec3 const& center, float radius,
                 std::list<Object3D*>& objects) {
    Vec3 const offset = node->center - center;
    float const reach = node->radius + radius;
    if (reach * reach <= Dot(offset, offset)) return;
    if (node->flags & SphereNode::kLeaf) {
        objects.push_back(node->object);
        return;
    }
    for (SphereNode const* child : node->children) VisitSphere(child, center, radius, objects);
}

// The ray against node's sphere: false when it misses. Otherwise tca is the distance along the
// ray to the point nearest the centre, thc half the chord, and inside tells whether the origin
// lies within the sphere.
bool RayMeetsSphere(SphereNode const* node, Vec3 const& origin, Vec3 const& direction,
                    float& tca, float& thc, bool& inside) {
    Vec3 const toCenter = node->center - origin;
    tca = Dot(toCenter, direction);
    float const l2 = Dot(toCenter, toCenter);
    float const r2 = node->radius * node->radius;
    if (tca < 0.0f && l2 > r2) return false;
    float const m2 = l2 - tca * tca;
    if (m2 > r2) return false;
    thc = std::sqrt(r2 - m2);
    inside = l2 < r2;
    return true;
}

void VisitRay(SphereNode const* node, Vec3 const& origin, Vec3 const& direction,
              std::list<Object3D*>& objects, std::list<float>& distances) {
    float tca;
    float thc;
    bool inside;
    if (!RayMeetsSphere(node, origin, direction, tca, thc, inside)) return;
    if (node->flags & SphereNode::kLeaf) {
        objects.push_back(node->object);
        distances.push_back(inside ? tca + thc : tca - thc);
        return;
    }
    for (SphereNode const* child : node->children) {
        VisitRay(child, origin, direction, objects, distances);
    }
}

void VisitSegment(SphereNode const* node, Vec3 const& start, Vec3 const& direction,
                  float inverseLength, std::list<Object3D*>& objects,
                  std::list<float>& parameters) {
    float tca;
    float thc;
    bool inside;
    if (!RayMeetsSphere(node, start, direction, tca, thc, inside)) return;
    float entry = 0.0f;
    if (!inside) {
        entry = (tca - thc) * inverseLength;
        float const exit = (tca + thc) * inverseLength;
        if (entry + kEndTolerance < 0.0f && exit + kEndTolerance < 0.0f) return;
        // The same leeway past the end as before the start: an entry at or just beyond the
        // end still counts.
        if (entry - kEndTolerance > 1.0f && exit - kEndTolerance > 1.0f) return;
    }
    if (node->flags & SphereNode::kLeaf) {
        objects.push_back(node->object);
        parameters.push_back(entry);
        return;
    }
    for (SphereNode const* child : node->children) {
        VisitSegment(child, start, direction, inverseLength, objects, parameters);
    }
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

void VisitSweep(SphereNode const* node, Mover const& mover, std::list<Object3D*>& objects,
                std::list<float>& times) {
    if (!(node->flags & SphereNode::kLeaf)) {
        // Against the sphere of the mover's whole step: it may have passed through something
        // early in the frame and be far from it by now.
        Vec3 const offset = mover.sweptCenter - node->center;
        float const reach = node->radius + mover.sweptRadius;
        if (reach * reach <= Dot(offset, offset)) return;
        for (SphereNode const* child : node->children) VisitSweep(child, mover, objects, times);
        return;
    }

    Object3D* other = node->object;
    if (other == mover.object) return;
    Vec3 const otherPosition = *other->GetPosition();
    Vec3 const otherPrevious = *other->GetPreviousPosition();
    Vec3 const relativeStep = mover.step - (otherPosition - otherPrevious);
    Vec3 const relativeStart = mover.previous - otherPrevious;
    float const reach = other->GetRadius() + mover.radius;

    float const a = Dot(relativeStep, relativeStep);
    if (a == 0.0f) return;  // no relative motion, no first contact
    float const b = 2.0f * Dot(relativeStep, relativeStart);
    float const c = Dot(relativeStart, relativeStart) - reach * reach;
    float const discriminant = b * b - 4.0f * a * c;
    if (discriminant < 0.0f) return;
    float const t = (-b - std::sqrt(discriminant)) / (2.0f * a);
    if (t < -kEndTolerance || t > 1.0f + kEndTolerance) return;
    objects.push_back(other);
    times.push_back(t);
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
    VisitRay(root, *origin, *direction, objects, distances);
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
    VisitSegment(root, *start, direction, inverseLength, objects, parameters);
}

void EntitySphereTree::QueryFrustum(Frustum* frustum, std::list<Object3D*>& objects) {
    if (frustum == nullptr) return;
    Plane planes[Frustum::kPlaneCount];
    for (int i = 0; i < Frustum::kPlaneCount; ++i) planes[i] = *frustum->GetPlane(i);
    VisitFrustum(root, planes, objects);
}

void EntitySphereTree::QuerySphere(Vec3 const* center, float radius,
                                   std::list<Object3D*>& objects) {
    VisitSphere(root, *center, radius, objects);
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
    VisitSweep(root, probe, objects, times);
}
