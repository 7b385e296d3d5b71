// A faithful copy of the world's sphere tree and queries as first written (see the header).
#include "tests/world/ReferenceSphereTree.h"

#include <algorithm>
#include <cmath>

#include "scene/Frustum.h"
#include "scene/Object3D.h"

namespace reference {

float Node::FitMarginIn(const Node& container) {
    fitMargin = container.radius - ((center - container.center).Length() + radius);
    return fitMargin;
}

namespace {

// Removes every entry equal to node from list.
void Erase(std::vector<Node*>& list, Node* node) {
    list.erase(std::remove(list.begin(), list.end(), node), list.end());
}

// Frees node and everything below it.
void FreeSubtree(Node* node) {
    for (Node* child : node->children) FreeSubtree(child);
    delete node;
}

// The placed leaf of object at or below node, or null.
Node* FindLeaf(Node* node, const Object3D* object) {
    for (Node* child : node->children) {
        if (child->flags & Node::kLeaf) {
            if (child->object == object) return child;
        } else if (Node* found = FindLeaf(child, object)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace

SphereTree::SphereTree(float rootRadius, float depth, float divisor, float rootSlack,
                       float slackScale_)
    : root(new Node),
      maxDepth(static_cast<int>(depth)),
      childRadiusScale(1.0f / divisor),
      slackScale(slackScale_) {
    root->nominalRadius = rootRadius;
    root->radius = rootRadius;
    root->flags = Node::kContainer | Node::kRoot;
    root->slack = rootSlack;
}

SphereTree::~SphereTree() {
    // Everything placed hangs below the root, escaped leaves included; leaves waiting in the
    // insert queue have no parent yet.
    FreeSubtree(root);
    for (Node* leaf : insertQueue) delete leaf;
}

int SphereTree::Insert(Object3D* object) {
    if (object == nullptr) return static_cast<int>(insertQueue.size());
    Node* leaf = new Node;
    leaf->object = object;
    leaf->radius = object->GetRadius();
    leaf->center = *object->GetPosition();
    leaf->flags = Node::kLeaf | Node::kInsertQueued;
    leaves.push_back(leaf);
    insertQueue.push_back(leaf);
    return static_cast<int>(insertQueue.size());
}

void SphereTree::RemoveObject(Object3D* object) {
    const auto found = std::find_if(leaves.begin(), leaves.end(),
                                    [object](Node* leaf) { return leaf->object == object; });
    Node* leaf = nullptr;
    if (found != leaves.end()) {
        leaf = *found;
        Erase(leaves, leaf);
    } else {
        // A leaf that escaped the root is no longer in leaves but still hangs in the hierarchy,
        // where queries can reach it. It has to go too, or the tree would keep handing out an
        // object its owner may be about to delete.
        leaf = FindLeaf(root, object);
        if (leaf == nullptr) return;
        Erase(escaped, leaf);
    }
    DestroyNode(leaf);
}

void SphereTree::DestroyNode(Node* node) {
    if (node->flags & Node::kRecomputeQueued) Erase(recomputeQueue, node);
    if (node->flags & Node::kInsertQueued) Erase(insertQueue, node);
    if (node->parent != nullptr) {
        QueueRecompute(node->parent);
        Detach(node);
    }
    delete node;
}

void SphereTree::PlainUpdate() {
    for (Node* leaf : leaves) {
        leaf->center = leaf->object->GetSweptCenter();
        leaf->radius = leaf->object->GetSweptRadius();
        if (leaf->flags & Node::kInsertQueued) continue;
        if (leaf->parent == nullptr || leaf->FitMarginIn(*leaf->parent) >= 0.0f) continue;
        if (leaf->FitMarginIn(*root) > 0.0f) {
            // Out of its container but still in the world: placed again from the root below.
            QueueReinsert(leaf);
            QueueRecompute(leaf->parent);
            Detach(leaf);
        } else {
            // Left the world. The leaf stays where it was; only the leaf list forgets it.
            escaped.push_back(leaf);
        }
    }

    if (!escaped.empty()) {
        leaves.erase(std::remove_if(leaves.begin(), leaves.end(),
                                    [this](Node* leaf) {
                                        return std::find(escaped.begin(), escaped.end(), leaf) !=
                                               escaped.end();
                                    }),
                     leaves.end());
    }

    for (Node* leaf : insertQueue) Integrate(leaf, root);
    insertQueue.clear();

    // Refits queue the parents of the containers they change, so the walk runs to the end of a
    // queue that grows under it. Indices, not iterators: the vector may reallocate.
    for (size_t i = 0; i < recomputeQueue.size(); ++i) {
        Node* node = recomputeQueue[i];
        const int result = Recompute(node);
        node->flags &= ~Node::kRecomputeQueued;
        if (result == 0) DestroyNode(node);
    }
    recomputeQueue.clear();
}

void SphereTree::QueueReinsert(Node* node) {
    if (node->flags & (Node::kInsertQueued | Node::kRoot)) return;
    node->flags |= Node::kInsertQueued;
    insertQueue.push_back(node);
}

void SphereTree::Integrate(Node* leaf, Node* node) {
    // The deepest level, or a leaf too large for node's children: it hangs here.
    if (node->depth == maxDepth || node->nominalRadius * childRadiusScale < leaf->radius) {
        QueueRecompute(node);
        node->children.push_back(leaf);
        leaf->parent = node;
        leaf->depth = node->depth + 1;
        leaf->flags &= ~Node::kInsertQueued;
        return;
    }

    // The nearest child container that already holds the leaf, or else the nearest one that can
    // grow to hold it (with its slack) within its nominal radius. Ties keep the earlier child.
    float best = 1e9f;
    float containMargin = 0.0f;
    Node* containNode = nullptr;
    float growLimit = 0.0f;
    Node* growNode = nullptr;
    for (Node* child : node->children) {
        if (!(child->flags & Node::kContainer)) continue;
        const float d = (leaf->center - child->center).Length() + leaf->radius;
        if (d >= best) continue;
        best = d;
        const float m = d - child->radius;
        const float g = d + child->slack - child->nominalRadius;
        if (m < containMargin) {
            containNode = child;
            containMargin = m;
        } else if (g < growLimit) {
            growNode = child;
            growLimit = g;
        }
    }
    if (containNode != nullptr) {
        Integrate(leaf, containNode);
        return;
    }

    Node* next = growNode;
    if (next != nullptr) {
        next->radius = next->slack + best;
    } else {
        next = new Node;
        next->flags = Node::kContainer;
        next->depth = node->depth + 1;
        next->nominalRadius = node->nominalRadius * childRadiusScale;
        next->radius = next->nominalRadius;
        next->slack = node->slack * slackScale;
        next->center = leaf->center;
        next->parent = node;
        node->children.push_back(next);
    }
    // A grown container, or a new one at its full nominal radius, can reach outside node. Left
    // so, a leaf that later moves within it into that outer part would be cut off by every
    // query that rejects node; so node is refitted around it.
    if (next->FitMarginIn(*node) < 0.0f) QueueRecompute(node);
    Integrate(leaf, next);
}

void SphereTree::QueueRecompute(Node* node) {
    if (node == nullptr) return;
    if (node->flags & (Node::kRecomputeQueued | Node::kRoot)) return;
    node->flags |= Node::kRecomputeQueued;
    recomputeQueue.push_back(node);
}

int SphereTree::Recompute(Node* node) {
    if (node->children.empty()) {
        QueueRecompute(node->parent);
        return 0;
    }

    Vec3 sum;
    for (const Node* child : node->children) sum += child->center;
    const Vec3 mean = sum * (1.0f / static_cast<float>(node->children.size()));

    float newRadius = 0.0f;
    bool reachesPastRadius = false;
    for (const Node* child : node->children) {
        const float e = (child->center - mean).Length() + node->slack + child->radius;
        if (e > newRadius) {
            newRadius = e;
            if (e >= node->radius) reachesPastRadius = true;
        }
    }

    // The refit sphere would be no smaller than the present one: keep the present one, as long
    // as it still holds every child. A child that reaches outside it would be cut off by
    // queries, so then the container is refitted (and may grow) after all.
    if (reachesPastRadius) {
        bool allInside = true;
        for (Node* child : node->children) {
            if (child->FitMarginIn(*node) < 0.0f) {
                allInside = false;
                break;
            }
        }
        if (allInside) return 1;
    }

    node->center = mean;
    node->radius = newRadius;
    QueueRecompute(node->parent);
    return 1;
}

void SphereTree::Detach(Node* node) {
    Erase(node->parent->children, node);
    node->parent = nullptr;
    node->depth = 0;
}

namespace {

// Fraction of the probe's length allowed past either end of a segment or of the frame.
constexpr float kEndTolerance = 0.001f;

// The queries only read the tree, so they walk the children lists in place.

void VisitFrustum(const Node* node, Plane const (&planes)[Frustum::kPlaneCount],
                  std::list<Object3D*>& objects) {
    if (node->flags & Node::kLeaf) {
        // The object's own sphere now, not the leaf's sweep.
        Object3D* object = node->object;
        const Vec3 position = *object->GetPosition();
        const float radius = object->GetRadius();
        for (const Plane& plane : planes) {
            if (plane.Distance(position) + radius < 0.0f) return;
        }
        objects.push_back(object);
        return;
    }
    for (const Plane& plane : planes) {
        if (plane.Distance(node->center) + node->radius < 0.0f) return;
    }
    for (const Node* child : node->children) VisitFrustum(child, planes, objects);
}

void VisitSphere(const Node* node, const Vec3& center, float radius,
                 std::list<Object3D*>& objects) {
    const Vec3 offset = node->center - center;
    const float reach = node->radius + radius;
    if (reach * reach <= Dot(offset, offset)) return;
    if (node->flags & Node::kLeaf) {
        objects.push_back(node->object);
        return;
    }
    for (const Node* child : node->children) VisitSphere(child, center, radius, objects);
}

// The ray against node's sphere: false when it misses. Otherwise tca is the distance along the
// ray to the point nearest the centre, thc half the chord, and inside tells whether the origin
// lies within the sphere.
bool RayMeetsSphere(const Node* node, const Vec3& origin, const Vec3& direction, float& tca,
                    float& thc, bool& inside) {
    const Vec3 toCenter = node->center - origin;
    tca = Dot(toCenter, direction);
    const float l2 = Dot(toCenter, toCenter);
    const float r2 = node->radius * node->radius;
    if (tca < 0.0f && l2 > r2) return false;
    const float m2 = l2 - tca * tca;
    if (m2 > r2) return false;
    thc = std::sqrt(r2 - m2);
    inside = l2 < r2;
    return true;
}

void VisitRay(const Node* node, const Vec3& origin, const Vec3& direction,
              std::list<Object3D*>& objects, std::list<float>& distances) {
    float tca;
    float thc;
    bool inside;
    if (!RayMeetsSphere(node, origin, direction, tca, thc, inside)) return;
    if (node->flags & Node::kLeaf) {
        objects.push_back(node->object);
        distances.push_back(inside ? tca + thc : tca - thc);
        return;
    }
    for (const Node* child : node->children) {
        VisitRay(child, origin, direction, objects, distances);
    }
}

void VisitSegment(const Node* node, const Vec3& start, const Vec3& direction, float inverseLength,
                  std::list<Object3D*>& objects, std::list<float>& parameters) {
    float tca;
    float thc;
    bool inside;
    if (!RayMeetsSphere(node, start, direction, tca, thc, inside)) return;
    float entry = 0.0f;
    if (!inside) {
        entry = (tca - thc) * inverseLength;
        const float exit = (tca + thc) * inverseLength;
        if (entry + kEndTolerance < 0.0f && exit + kEndTolerance < 0.0f) return;
        // The same leeway past the end as before the start: an entry at or just beyond the
        // end still counts.
        if (entry - kEndTolerance > 1.0f && exit - kEndTolerance > 1.0f) return;
    }
    if (node->flags & Node::kLeaf) {
        objects.push_back(node->object);
        parameters.push_back(entry);
        return;
    }
    for (const Node* child : node->children) {
        VisitSegment(child, start, direction, inverseLength, objects, parameters);
    }
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

void VisitSweep(const Node* node, const Mover& mover, std::list<Object3D*>& objects,
                std::list<float>& times) {
    if (!(node->flags & Node::kLeaf)) {
        // Against the sphere of the mover's whole step: it may have passed through something
        // early in the frame and be far from it by now.
        const Vec3 offset = mover.sweptCenter - node->center;
        const float reach = node->radius + mover.sweptRadius;
        if (reach * reach <= Dot(offset, offset)) return;
        for (const Node* child : node->children) VisitSweep(child, mover, objects, times);
        return;
    }

    Object3D* other = node->object;
    if (other == mover.object) return;
    const Vec3 otherPosition = *other->GetPosition();
    const Vec3 otherPrevious = *other->GetPreviousPosition();
    const Vec3 relativeStep = mover.step - (otherPosition - otherPrevious);
    const Vec3 relativeStart = mover.previous - otherPrevious;
    const float reach = other->GetRadius() + mover.radius;

    const float a = Dot(relativeStep, relativeStep);
    if (a == 0.0f) return;  // no relative motion, no first contact
    const float b = 2.0f * Dot(relativeStep, relativeStart);
    const float c = Dot(relativeStart, relativeStart) - reach * reach;
    const float discriminant = b * b - 4.0f * a * c;
    if (discriminant < 0.0f) return;
    const float t = (-b - std::sqrt(discriminant)) / (2.0f * a);
    if (t < -kEndTolerance || t > 1.0f + kEndTolerance) return;
    objects.push_back(other);
    times.push_back(t);
}

}  // namespace

void SphereTree::QueryRay(const Vec3* origin, const Vec3* direction, std::list<Object3D*>& objects,
                          std::list<float>& distances) {
    VisitRay(root, *origin, *direction, objects, distances);
}

void SphereTree::QuerySegment(const Vec3* start, const Vec3* end, std::list<Object3D*>& objects,
                              std::list<float>& parameters) {
    Vec3 direction = *end - *start;
    const float length = direction.Length();
    // A segment of no length is the point at start: the direction stays zero, and every sphere
    // holding or touching that point is met at parameter 0.
    float inverseLength = 0.0f;
    if (length > 0.0f) {
        inverseLength = 1.0f / length;
        direction = direction * inverseLength;
    }
    VisitSegment(root, *start, direction, inverseLength, objects, parameters);
}

void SphereTree::QueryFrustum(Frustum* frustum, std::list<Object3D*>& objects) {
    if (frustum == nullptr) return;
    Plane planes[Frustum::kPlaneCount];
    for (int i = 0; i < Frustum::kPlaneCount; ++i) planes[i] = *frustum->GetPlane(i);
    VisitFrustum(root, planes, objects);
}

void SphereTree::QuerySphere(const Vec3* center, float radius, std::list<Object3D*>& objects) {
    VisitSphere(root, *center, radius, objects);
}

void SphereTree::QuerySweep(Object3D* mover, std::list<Object3D*>& objects,
                            std::list<float>& times) {
    const Vec3 position = *mover->GetPosition();
    const Vec3 previous = *mover->GetPreviousPosition();
    const Mover probe{mover,
                      previous,
                      position - previous,
                      mover->GetRadius(),
                      mover->GetSweptCenter(),
                      mover->GetSweptRadius()};
    VisitSweep(root, probe, objects, times);
}

void SphereTree::Update() {
    PlainUpdate();
    for (Node* leaf : escaped) leaf->object->active = 0;
    escaped.clear();
}

World::World() : tree(new SphereTree(524288.0f, 5.0f, 4.0f, 400.0f, 1.0f)) {}

World::~World() {
    delete tree;
}

void World::Update(float dt) {
    for (auto it = entities.begin(); it != entities.end();) {
        if ((*it)->active != 0) {
            (*it)->Update(dt);
            ++it;
        } else {
            it = entities.erase(it);
        }
    }
    tree->Update();
}

int World::Add(Object3D* object) {
    if (object == nullptr) return 0;
    entities.push_back(object);
    tree->Insert(object);
    return 1;
}

int World::Remove(Object3D* object) {
    entities.remove(object);
    tree->RemoveObject(object);
    return 1;
}

}  // namespace reference
