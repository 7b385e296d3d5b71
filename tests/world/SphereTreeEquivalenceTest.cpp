// The world's tree against the tree as first written (tests/world/ReferenceSphereTree): twin
// sets of objects go through the same random motion, jumps, removals, additions and escapes
// from the root, each set in its own world. After every update both hierarchies must be the
// same node for node, and every query must return the same objects and values in the same
// order. This guards the tree's speed work: it may change how the tree is stored, never what
// it holds or answers.
#include <cmath>
#include <cstdint>
#include <list>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/Random.h"
#include "tests/world/ReferenceSphereTree.h"
#include "tests/world/SphereTreeTesting.h"
#include "world/World.h"

namespace {

using spheretreetesting::Body;
using spheretreetesting::PlaneFrustum;
using spheretreetesting::TreeFaults;

using Objects = std::list<Object3D*>;
using Values = std::list<float>;

// How a run's objects are made and stirred.
struct Scenario {
    uint32_t seed;
    int bodies;
    float area;     // objects start within |x|, |y|, |z| <= area
    float slowest;  // units per frame
    float fastest;
    float jumpChance;  // per object and frame
    float turnChance;
    bool robotSized;     // one radius near the shipped robot's; otherwise mixed sizes
    float escapeChance;  // per frame: one object is flung out of the root sphere
    int toggles = 1;     // per frame: chances of 0.1 that one object is removed or added back
};

// One object in both worlds: the real world's and the reference world's copy.
struct Twin {
    std::unique_ptr<Body> ours;
    std::unique_ptr<Body> theirs;
    bool inWorld = false;
};

class Equivalence {
public:
    explicit Equivalence(const Scenario& scenario) : scenario(scenario), random(scenario.seed) {
        for (int i = 0; i < scenario.bodies; ++i) AddNew();
    }

    ::testing::AssertionResult Run(int frames) {
        for (int frame = 0; frame < frames; ++frame) {
            Stir();
            const float dt = random.Chance(0.1f) ? random.Between(0.001f, 0.1f) : 1.0f / 60.0f;
            world.Update(dt);
            reference.Update(dt);
            std::string faults = CompareTrees();
            if (faults.empty()) faults = TreeFaults(*world.tree, true, true);
            if (faults.empty()) faults = CompareEntities();
            // Some objects move after the update, before the queries: the frustum query reads
            // their live spheres, the others the leaves' stored ones.
            if (random.Chance(0.3f)) NudgeSome();
            for (int query = 0; query < 3 && faults.empty(); ++query) faults = CompareQueries();
            if (!faults.empty()) {
                return ::testing::AssertionFailure() << "frame " << frame << ": " << faults;
            }
        }
        return ::testing::AssertionSuccess();
    }

    size_t found = 0;  // objects all queries found: a run cannot pass by finding nothing
    size_t escapes = 0;

private:
    void AddNew() {
        const Vec3 at = random.InCube(scenario.area);
        const float radius = scenario.robotSized   ? random.Between(300.0f, 330.0f)
                             : random.Chance(0.8f) ? random.Between(0.5f, 200.0f)
                             : random.Chance(0.9f) ? random.Between(200.0f, 3000.0f)
                                                   : random.Between(3000.0f, 140000.0f);
        Twin twin;
        twin.ours = std::make_unique<Body>(at, radius);
        twin.ours->velocity = Velocity();
        twin.theirs = std::make_unique<Body>(*twin.ours);
        twin.inWorld = true;
        world.Add(twin.ours.get());
        reference.Add(twin.theirs.get());
        index[twin.ours.get()] = twins.size();
        index[twin.theirs.get()] = twins.size();
        twins.push_back(std::move(twin));
    }

    // Units per second for the scenario's units per frame at 60 frames per second.
    Vec3 Velocity() {
        Vec3 direction;
        do {
            direction = random.InCube(1.0f);
        } while (Dot(direction, direction) > 1.0f || Dot(direction, direction) < 0.01f);
        return direction.Normalize() * (random.Between(scenario.slowest, scenario.fastest) * 60.0f);
    }

    // The same change to both copies.
    template <typename Change>
    void Both(Twin& twin, Change change) {
        change(*twin.ours);
        change(*twin.theirs);
    }

    void Stir() {
        for (Twin& twin : twins) {
            if (!twin.inWorld || twin.ours->active == 0) continue;
            if (random.Chance(scenario.turnChance)) {
                const Vec3 velocity = Velocity();
                Both(twin, [&](Body& body) { body.velocity = velocity; });
            }
            if (random.Chance(scenario.jumpChance)) {
                const Vec3 jump = random.InCube(scenario.area * 0.2f);
                Both(twin, [&](Body& body) { body.position += jump; });
            }
            // Bounce off the walls of the area, so that most objects stay in it.
            for (int axis = 0; axis < 3; ++axis) {
                const float position = (&twin.ours->position.x)[axis];
                const float velocity = (&twin.ours->velocity.x)[axis];
                if (std::fabs(position) > scenario.area && position * velocity > 0.0f) {
                    Both(twin, [&](Body& body) { (&body.velocity.x)[axis] = -velocity; });
                }
            }
        }
        if (random.Chance(scenario.escapeChance)) {
            Twin& twin = twins[random.Below(twins.size())];
            if (twin.inWorld && twin.ours->active != 0) {
                const Vec3 away = Vec3(1.0f, 0.5f, 0.25f) * 400000.0f;
                Both(twin, [&](Body& body) { body.position += away; });
                ++escapes;
            }
        }
        for (int toggle = 0; toggle < scenario.toggles; ++toggle) {
            if (!random.Chance(0.1f)) continue;
            Twin& twin = twins[random.Below(twins.size())];
            if (twin.inWorld) {
                world.Remove(twin.ours.get());
                reference.Remove(twin.theirs.get());
                twin.inWorld = false;
            } else {
                Both(twin, [](Body& body) { body.active = 1; });
                world.Add(twin.ours.get());
                reference.Add(twin.theirs.get());
                twin.inWorld = true;
            }
        }
        if (random.Chance(0.05f)) AddNew();
    }

    void NudgeSome() {
        for (int i = 0; i < 5; ++i) {
            Twin& twin = twins[random.Below(twins.size())];
            const Vec3 step = random.InCube(300.0f);
            Both(twin, [&](Body& body) { body.position += step; });
        }
    }

    // A place near a live object, or anywhere in the area.
    Vec3 Somewhere(float spread) {
        const Twin& twin = twins[random.Below(twins.size())];
        return twin.ours->position + random.InCube(spread);
    }

    std::string CompareTrees() {
        std::string faults;
        CompareNodes(world.tree->root, reference.tree->root, "root", faults);
        auto sameLeaves = [this](const std::vector<SphereNode*>& ours,
                                 const std::vector<reference::Node*>& theirs) {
            if (ours.size() != theirs.size()) return false;
            for (size_t i = 0; i < ours.size(); ++i) {
                if (index.at(ours[i]->object) != index.at(theirs[i]->object)) return false;
            }
            return true;
        };
        if (!sameLeaves(world.tree->leaves, reference.tree->leaves))
            faults += "leaf lists differ\n";
        if (!world.tree->insertQueue.empty() || !world.tree->recomputeQueue.empty() ||
            !world.tree->escaped.empty()) {
            faults += "queues left after the update\n";
        }
        return faults;
    }

    void CompareNodes(const SphereNode* ours, const reference::Node* theirs,
                      const std::string& path, std::string& faults) {
        if (!faults.empty()) return;  // the first difference is the one worth reading
        std::ostringstream text;
        text.precision(9);
        auto differ = [&](const char* what, auto a, auto b) {
            if (a == b) return false;
            text << path << ": " << what << " " << a << " against " << b << "\n";
            return true;
        };
        const bool different =
            differ("flags", ours->flags, theirs->flags) ||
            differ("depth", ours->depth, theirs->depth) ||
            differ("centre x", ours->center.x, theirs->center.x) ||
            differ("centre y", ours->center.y, theirs->center.y) ||
            differ("centre z", ours->center.z, theirs->center.z) ||
            differ("radius", ours->radius, theirs->radius) ||
            differ("nominal radius", ours->nominalRadius, theirs->nominalRadius) ||
            differ("slack", ours->slack, theirs->slack) ||
            differ("fit margin", ours->fitMargin, theirs->fitMargin) ||
            differ("children", ours->children.size(), theirs->children.size()) ||
            differ("object", ours->object ? index.at(ours->object) : SIZE_MAX,
                   theirs->object ? index.at(theirs->object) : SIZE_MAX);
        if (different) {
            faults = text.str();
            return;
        }
        for (size_t i = 0; i < ours->children.size(); ++i) {
            if (ours->children[i]->parent != ours) {
                faults = path + ": child " + std::to_string(i) + " names another parent\n";
                return;
            }
            CompareNodes(ours->children[i], theirs->children[i], path + "/" + std::to_string(i),
                         faults);
        }
    }

    std::string CompareEntities() {
        std::vector<size_t> ours;
        std::vector<size_t> theirs;
        for (Object3D* object : world.entities) ours.push_back(index.at(object));
        for (Object3D* object : reference.entities) theirs.push_back(index.at(object));
        return ours == theirs ? "" : "entity lists differ\n";
    }

    // Same objects (by twin), same values, same order.
    std::string Same(const char* query, const Objects& ours, const Values& ourValues,
                     const Objects& theirs, const Values& theirValues) {
        std::vector<size_t> a;
        std::vector<size_t> b;
        for (Object3D* object : ours) a.push_back(index.at(object));
        for (Object3D* object : theirs) b.push_back(index.at(object));
        found += a.size();
        if (a != b) {
            return std::string(query) + " found " + std::to_string(a.size()) +
                   " objects, the reference " + std::to_string(b.size()) + " (or another order)\n";
        }
        if (ourValues != theirValues) return std::string(query) + " values differ\n";
        return "";
    }

    std::string CompareQueries() {
        std::string faults;
        {
            const Vec3 eye = Somewhere(scenario.area * 0.3f);
            Vec3 forward = random.InCube(1.0f);
            if (forward.Length() < 0.1f) forward = Vec3(0.0f, 0.0f, -1.0f);
            forward.Normalize();
            const Vec3 helper = std::fabs(forward.y) < 0.9f ? kUnitYVec3 : kUnitXVec3;
            const Vec3 right = Cross(forward, helper).Normalize();
            PlaneFrustum view = PlaneFrustum::Perspective(
                eye, forward, Cross(right, forward), random.Between(0.2f, 1.5f), 0.1f,
                random.Between(scenario.area * 0.1f, scenario.area * 2.0f));
            Objects ours;
            Objects theirs;
            world.QueryFrustum(&view, ours);
            reference.tree->QueryFrustum(&view, theirs);
            faults += Same("frustum", ours, {}, theirs, {});
        }
        {
            const Vec3 center = Somewhere(scenario.area * 0.1f);
            const float radius = random.Between(1.0f, scenario.area * 0.3f);
            Objects ours;
            Objects theirs;
            world.QuerySphere(&center, radius, ours);
            reference.tree->QuerySphere(&center, radius, theirs);
            faults += Same("sphere", ours, {}, theirs, {});
        }
        {
            const Vec3 origin = Somewhere(scenario.area * 0.5f);
            Vec3 direction = Somewhere(100.0f) - origin;
            if (direction.Length() < 1.0f) direction = kUnitXVec3;
            direction.Normalize();
            Objects ours;
            Objects theirs;
            Values ourDistances;
            Values theirDistances;
            world.QueryRay(&origin, &direction, ours, ourDistances);
            reference.tree->QueryRay(&origin, &direction, theirs, theirDistances);
            faults += Same("ray", ours, ourDistances, theirs, theirDistances);
        }
        {
            const Vec3 start = Somewhere(scenario.area * 0.3f);
            const Vec3 end = Somewhere(scenario.area * 0.3f);
            Objects ours;
            Objects theirs;
            Values ourParameters;
            Values theirParameters;
            world.QuerySegment(&start, &end, ours, ourParameters);
            reference.tree->QuerySegment(&start, &end, theirs, theirParameters);
            faults += Same("segment", ours, ourParameters, theirs, theirParameters);
        }
        {
            Twin& mover = twins[random.Below(twins.size())];
            Objects ours;
            Objects theirs;
            Values ourTimes;
            Values theirTimes;
            world.QuerySweep(mover.ours.get(), ours, ourTimes);
            reference.tree->QuerySweep(mover.theirs.get(), theirs, theirTimes);
            faults += Same("sweep", ours, ourTimes, theirs, theirTimes);
        }
        return faults;
    }

    Scenario scenario;
    Random random;
    std::vector<Twin> twins;  // declared before the worlds: the objects outlive them
    std::unordered_map<const Object3D*, size_t> index;  // either copy -> its twin
    World world;
    reference::World reference;
};

// Robot-sized objects spread out and drifting at 1 to 50 units per frame, as in the benchmark
// (at a smaller scale): most containers at the deepest level hold a single leaf.
TEST(SphereTreeEquivalenceTest, SpreadOutDriftingRobotsBuildTheSameTreeAndAnswers) {
    Equivalence run({20250601u, 1500, 20000.0f, 1.0f, 50.0f, 0.002f, 0.01f, true, 0.02f});
    EXPECT_TRUE(run.Run(150));
    EXPECT_GT(run.found, 5000u);
    EXPECT_GT(run.escapes, 0u);
}

// Mixed sizes, some larger than every level below the root, crowded and fast: leaves re-placed
// every frame, containers grown, emptied and destroyed.
TEST(SphereTreeEquivalenceTest, CrowdedMixedObjectsBuildTheSameTreeAndAnswers) {
    Equivalence run({77u, 400, 5000.0f, 5.0f, 400.0f, 0.02f, 0.05f, false, 0.05f});
    EXPECT_TRUE(run.Run(200));
    EXPECT_GT(run.found, 20000u);
    EXPECT_GT(run.escapes, 0u);
}

// Many objects of mixed sizes crowded into a few containers, half of them taken out and put
// back all the time: long runs of children that grow and shrink, leaves at every depth.
TEST(SphereTreeEquivalenceTest, CrowdedObjectsComingAndGoingBuildTheSameTreeAndAnswers) {
    Equivalence run({4242u, 300, 700.0f, 0.0f, 30.0f, 0.01f, 0.05f, false, 0.01f, 60});
    EXPECT_TRUE(run.Run(150));
    EXPECT_GT(run.found, 5000u);
}

// Few objects far apart and nearly still, often jumping: long chains of single-child containers
// that are made and dropped whole.
TEST(SphereTreeEquivalenceTest, SparseJumpingObjectsBuildTheSameTreeAndAnswers) {
    Equivalence run({9001u, 60, 100000.0f, 0.0f, 2.0f, 0.1f, 0.02f, false, 0.0f});
    EXPECT_TRUE(run.Run(300));
    EXPECT_GT(run.found, 500u);
}

}  // namespace
