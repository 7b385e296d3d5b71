#include "world/World.h"

#include <algorithm>

#include "scene/Object3D.h"

World::World() : tree(new EntitySphereTree(524288.0f, 5.0f, 4.0f, 400.0f, 1.0f)) {}

World::~World() {
    delete tree;
}

int World::Init() {
    return 1;
}

void World::Reserved0() {}

int World::Reserved1(void*) {
    return 1;
}

void World::Reserved2() {}

void World::Update(float dt) {
    // Active entities are advanced and kept, in order; inactive ones are left out.
    size_t kept = 0;
    for (Object3D* entity : entities) {
        if (entity->active == 0) continue;
        entity->Update(dt);
        entities[kept++] = entity;
    }
    entities.resize(kept);
    tree->Update();
}

int World::Add(Object3D* object) {
    if (object == nullptr) return 0;
    entities.push_back(object);
    tree->Insert(object);
    return 1;
}

int World::Remove(Object3D* object) {
    entities.erase(std::remove(entities.begin(), entities.end(), object), entities.end());
    tree->RemoveObject(object);
    return 1;
}

void World::QueryRay(const Vec3* origin, const Vec3* direction, std::list<Object3D*>& objects,
                     std::list<float>& distances) {
    tree->QueryRay(origin, direction, objects, distances);
}

void World::QuerySegment(const Vec3* start, const Vec3* end, std::list<Object3D*>& objects,
                         std::list<float>& parameters) {
    tree->QuerySegment(start, end, objects, parameters);
}

void World::QueryFrustum(Frustum* frustum, std::list<Object3D*>& objects) {
    tree->QueryFrustum(frustum, objects);
}

void World::QuerySphere(const Vec3* center, float radius, std::list<Object3D*>& objects) {
    tree->QuerySphere(center, radius, objects);
}

void World::QuerySweep(Object3D* mover, std::list<Object3D*>& objects, std::list<float>& times) {
    tree->QuerySweep(mover, objects, times);
}
