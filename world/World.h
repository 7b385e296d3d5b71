// The simulated world: the entities that take part in it, advanced once per frame, and the
// sphere tree that keeps them for visibility and proximity questions.
#pragma once

#include <list>
#include <vector>

#include "world/EntitySphereTree.h"

class Frustum;
class Object3D;
struct Vec3;

class World {
public:
    // Makes the tree: root radius 524288 around the origin, five levels below it, each a
    // quarter of the one above, 400 units of slack at every level.
    World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Forgets the entities (they belong to whoever added them) and frees the tree.
    virtual ~World();
    // Nothing to set up; always 1.
    virtual int Init();
    // Three slots nothing uses yet, kept so the operations after them stay in place.
    virtual void Reserved0();
    virtual int Reserved1(void* argument);
    virtual void Reserved2();
    // Advances every active entity by dt seconds and drops the inactive ones from the entity
    // list (the objects themselves live on), then brings the tree up to date.
    virtual void Update(float dt);
    // Adds object to the world; the queries see it after the next Update. A null object is
    // ignored (0).
    virtual int Add(Object3D* object);
    // Takes object out of the entity list and out of the tree. Always 1.
    virtual int Remove(Object3D* object);

    // The tree's queries (EntitySphereTree), as they stand after the last Update.
    virtual void QueryRay(const Vec3* origin, const Vec3* direction, std::list<Object3D*>& objects,
                          std::list<float>& distances);
    virtual void QuerySegment(const Vec3* start, const Vec3* end, std::list<Object3D*>& objects,
                              std::list<float>& parameters);
    virtual void QueryFrustum(Frustum* frustum, std::list<Object3D*>& objects);
    virtual void QuerySphere(const Vec3* center, float radius, std::list<Object3D*>& objects);
    virtual void QuerySweep(Object3D* mover, std::list<Object3D*>& objects,
                            std::list<float>& times);

    // In order of addition; not owned. An array rather than a linked list: the per-frame walk
    // reads it in order, and it costs a pointer per entity.
    std::vector<Object3D*> entities;
    EntitySphereTree* tree;
};
