// The world's sphere tree as it was first written: plain nodes from new and delete, the queries
// walking the children lists as they stand. The equivalence test runs it beside the real tree
// on the same motion; whatever is done to make the real tree faster, both must build the same
// hierarchy and answer every query with the same objects, values and order.
#pragma once

#include <list>
#include <vector>

#include "math/Vec3.h"

class Frustum;
class Object3D;

namespace reference {

struct Node {
    static constexpr int kRecomputeQueued = 0x01;
    static constexpr int kInsertQueued = 0x02;
    static constexpr int kLeaf = 0x04;
    static constexpr int kContainer = 0x08;
    static constexpr int kRoot = 0x10;

    float FitMarginIn(const Node& container);

    std::vector<Node*> children;
    float fitMargin = 0.0f;
    int flags = 0;
    float nominalRadius = 0.0f;
    float radius = 0.0f;
    Vec3 center;
    int depth = 0;
    float slack = 0.0f;
    Node* parent = nullptr;
    Object3D* object = nullptr;
};

class SphereTree {
public:
    SphereTree(float rootRadius, float depth, float divisor, float rootSlack, float slackScale);
    ~SphereTree();
    SphereTree(const SphereTree&) = delete;
    SphereTree& operator=(const SphereTree&) = delete;

    int Insert(Object3D* object);
    void RemoveObject(Object3D* object);
    void DestroyNode(Node* node);
    // The plain tree's update, then the objects that left the root are deactivated.
    void Update();
    void PlainUpdate();
    void QueueReinsert(Node* node);
    void Integrate(Node* leaf, Node* node);
    void QueueRecompute(Node* node);
    int Recompute(Node* node);

    void QueryRay(const Vec3* origin, const Vec3* direction, std::list<Object3D*>& objects,
                  std::list<float>& distances);
    void QuerySegment(const Vec3* start, const Vec3* end, std::list<Object3D*>& objects,
                      std::list<float>& parameters);
    void QueryFrustum(Frustum* frustum, std::list<Object3D*>& objects);
    void QuerySphere(const Vec3* center, float radius, std::list<Object3D*>& objects);
    void QuerySweep(Object3D* mover, std::list<Object3D*>& objects, std::list<float>& times);

    Node* root;
    std::vector<Node*> recomputeQueue;
    std::vector<Node*> insertQueue;
    std::vector<Node*> escaped;
    std::vector<Node*> leaves;
    int maxDepth;
    float childRadiusScale;
    float slackScale;

private:
    static void Detach(Node* node);
};

// The world around it: the entity list advanced once per frame, then the tree.
class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    void Update(float dt);
    int Add(Object3D* object);
    int Remove(Object3D* object);

    std::list<Object3D*> entities;
    SphereTree* tree;
};

}  // namespace reference
