// The sphere tree of the world's entities: the plain tree plus dropping the objects that leave
// the root sphere, and the queries the world answers from it (view frustum, ray, segment,
// sphere and another object's sweep over the last frame).
#pragma once

#include <list>
#include <vector>

#include "world/SphereTree.h"

class Frustum;
struct Vec3;

class EntitySphereTree final : public SphereTree {
public:
    EntitySphereTree(float rootRadius, float depth, float divisor, float rootSlack,
                     float slackScale);
    ~EntitySphereTree();

    // The plain tree's update, then every object that escaped the root gets active = 0 so that
    // the world drops it.
    void Update() override;

    // The queries append to the end of the lists they are given and never clear them; the
    // float lists run parallel to the object lists.

    // Objects whose sphere the ray from origin along the unit direction meets, with the
    // distance to the sphere's surface (the exit distance when the origin lies inside it).
    virtual void QueryRay(const Vec3* origin, const Vec3* direction, std::list<Object3D*>& objects,
                          std::list<float>& distances);
    // Objects whose sphere the segment meets, with the fraction of the segment (0 at start, 1
    // at end) where it enters the sphere; 0 when start lies inside the sphere.
    virtual void QuerySegment(const Vec3* start, const Vec3* end, std::list<Object3D*>& objects,
                              std::list<float>& parameters);
    // Objects whose bounding sphere reaches into the frustum. A null frustum finds nothing.
    virtual void QueryFrustum(Frustum* frustum, std::list<Object3D*>& objects);
    // Objects whose sphere overlaps the given one; spheres that only touch do not count.
    virtual void QuerySphere(const Vec3* center, float radius, std::list<Object3D*>& objects);
    // Objects that mover's sphere met during the last frame, both moving in straight lines,
    // with the fraction of the frame at first contact.
    virtual void QuerySweep(Object3D* mover, std::list<Object3D*>& objects,
                            std::list<float>& times);

private:
    // Scratch storage of the queries' level-by-level walks: entries of the child blocks, kept
    // so that a query allocates nothing once warm.
    std::vector<const ChildEntry*> walk;
    std::vector<const ChildEntry*> walkNext;
};
