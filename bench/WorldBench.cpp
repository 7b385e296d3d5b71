// The world at scale: N robot clones sharing one model, spread evenly through a cube about
// 56,000 units on a side with the camera at its centre, each moving at its own constant
// velocity of 1 to 50 units per frame. Every frame runs, side by side on the same motion:
//   - World::Update, then World::QueryFrustum with the application's camera frustum;
//   - a linear scan of every entity with the same six-plane test;
//   - a packed scan (bench/PackedScan.h): the same objects' live spheres copied each frame, after
//     the update, into flat arrays of x, y, z and r, and the six-plane test over all of them.
//     The scan's figure is the test alone; the copy is timed apart and reported beside it;
//   - Bullet's btDbvt keeping the same swept spheres as boxes through its own update (with two
//     margins, below), and its collideKDOP against the same six planes (leaves tested with the
//     same sphere test).
// All of them must find the same objects in every frame; the packed scan is checked object by
// object against QueryFrustum.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <BulletCollision/BroadphaseCollision/btDbvt.h>

#include "bench/HeapCounter.h"
#include "bench/PackedScan.h"
#include "bench/Results.h"
#include "math/Mat4.h"
#include "render/Model.h"
#include "scene/Frustum.h"
#include "tests/support/FixedFrustum.h"
#include "tests/support/Random.h"
#include "world/Robot.h"
#include "world/World.h"

namespace {

constexpr float kCubeSide = 56000.0f;
constexpr float kFrameSeconds = 1.0f / 60.0f;
constexpr float kSlowest = 1.0f;  // units per frame
constexpr float kFastest = 50.0f;
// Untimed frames first: the first Update places every leaf at once, which is not upkeep.
constexpr int kSettleFrames = 20;
constexpr int kTimedFrames = 100;
// Bullet's update fattens a box that left its leaf by a margin. Measured twice: with the margin
// its own broadphase uses (gDbvtMargin, 0.05), and with the 400-unit slack the world's
// containers keep, so that both trees re-place an object after a similar distance travelled.
constexpr float kBulletDefaultMargin = 0.05f;
constexpr float kBulletSlackMargin = 400.0f;

using Clock = std::chrono::steady_clock;
using Objects = std::list<Object3D*>;

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

// The application's view: a 90-degree vertical field of view at 640 x 480, near plane 0.1, far
// plane 10000, the camera at the origin looking down -z. The planes come out of the projection
// matrix the same way GLFrustum takes them from OpenGL's.
class CameraFrustum : public FixedFrustum {
public:
    CameraFrustum() {
        const double aspect = 640.0 / 480.0;
        const double nearPlane = 0.1;
        const double farPlane = 10000.0;
        const double f = 1.0 / std::tan(90.0 * 3.14159265358979323846 / 360.0);
        Mat4 clip;  // projection times an identity model-view
        clip.At(0, 0) = static_cast<float>(f / aspect);
        clip.At(1, 1) = static_cast<float>(f);
        clip.At(2, 2) = static_cast<float>((farPlane + nearPlane) / (nearPlane - farPlane));
        clip.At(2, 3) = static_cast<float>(2.0 * farPlane * nearPlane / (nearPlane - farPlane));
        clip.At(3, 2) = -1.0f;
        planes[kRight] = FromRows(clip, 0, -1.0f);
        planes[kLeft] = FromRows(clip, 0, 1.0f);
        planes[kBottom] = FromRows(clip, 1, 1.0f);
        planes[kTop] = FromRows(clip, 1, -1.0f);
        planes[kFar] = FromRows(clip, 2, -1.0f);
        planes[kNear] = FromRows(clip, 2, 1.0f);
    }

private:
    static Plane FromRows(const Mat4& m, int row, float sign) {
        Plane plane{m.At(3, 0) + sign * m.At(row, 0), m.At(3, 1) + sign * m.At(row, 1),
                    m.At(3, 2) + sign * m.At(row, 2), m.At(3, 3) + sign * m.At(row, 3)};
        const float length = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
        plane.a /= length;
        plane.b /= length;
        plane.c /= length;
        plane.d /= length;
        return plane;
    }
};

struct Start {
    Vec3 position;
    Vec3 velocity;  // units per second
};

std::vector<Start> MakeStarts(int count) {
    Random random(20250101u + static_cast<uint32_t>(count));
    std::vector<Start> starts(static_cast<size_t>(count));
    const float half = kCubeSide / 2.0f;
    for (Start& start : starts) {
        start.position = Vec3(random.Between(-half, half), random.Between(-half, half),
                              random.Between(-half, half));
        Vec3 direction;
        do {
            direction = Vec3(random.Between(-1.0f, 1.0f), random.Between(-1.0f, 1.0f),
                             random.Between(-1.0f, 1.0f));
        } while (Dot(direction, direction) > 1.0f || Dot(direction, direction) < 0.01f);
        const float perFrame = random.Between(kSlowest, kFastest);
        start.velocity = direction.Normalize() * (perFrame / kFrameSeconds);
    }
    return starts;
}

// The robot prototype with the shipped model; every clone shares the model.
Robot& Prototype() {
    static Model model;
    static Robot robot;
    static const bool loaded = [] {
        bool const ok = model.Load(VELMORA_ROBOT_MODEL);
        robot.SetModel(&model);
        return ok;
    }();
    (void)loaded;
    return robot;
}

// Robots made and owned for one benchmark run.
class Robots {
public:
    explicit Robots(const std::vector<Start>& starts) {
        all.reserve(starts.size());
        for (const Start& start : starts) {
            Object3D* robot = Prototype().Clone();
            robot->position = start.position;
            robot->previousPosition = start.position;
            robot->velocity = start.velocity;
            all.push_back(robot);
        }
    }
    ~Robots() {
        for (Object3D* robot : all) delete robot;
    }
    Robots(const Robots&) = delete;
    Robots& operator=(const Robots&) = delete;

    std::vector<Object3D*> all;
};

bool InsideAll(Plane const (&planes)[Frustum::kPlaneCount], Object3D* object) {
    const Vec3 position = *object->GetPosition();
    const float radius = object->GetRadius();
    for (const Plane& plane : planes) {
        if (plane.Distance(position) + radius < 0.0f) return false;
    }
    return true;
}

// Every entity against the six planes, one by one.
void ScanFrustum(const std::vector<Object3D*>& entities,
                 Plane const (&planes)[Frustum::kPlaneCount], Objects& found) {
    for (Object3D* object : entities) {
        if (InsideAll(planes, object)) found.push_back(object);
    }
}

// Bullet's tree over the same robots' swept spheres, as axis-aligned boxes.
class BulletWorld {
public:
    BulletWorld(const std::vector<Object3D*>& robots, float margin)
        : robots(robots), margin(margin) {
        leaves.reserve(robots.size());
        for (Object3D* robot : robots) leaves.push_back(tree.insert(SweptBox(robot), robot));
    }
    ~BulletWorld() {
        for (btDbvtNode* leaf : leaves) tree.remove(leaf);
    }

    // The robots move as World::Update moves its entities; then every leaf goes through the
    // tree's own update, which re-places it only when its box leaves the fattened one it had.
    void Update(float dt) {
        for (size_t i = 0; i < robots.size(); ++i) {
            Object3D* robot = robots[i];
            robot->Update(dt);
            btDbvtVolume box = SweptBox(robot);
            tree.update(leaves[i], box, margin);
        }
    }

    void QueryFrustum(Plane const (&planes)[Frustum::kPlaneCount], Objects& found) {
        btVector3 normals[Frustum::kPlaneCount];
        btScalar offsets[Frustum::kPlaneCount];
        for (int i = 0; i < Frustum::kPlaneCount; ++i) {
            normals[i] = btVector3(planes[i].a, planes[i].b, planes[i].c);
            offsets[i] = planes[i].d;
        }
        Collector collector(planes, found);
        btDbvt::collideKDOP(tree.m_root, normals, offsets, Frustum::kPlaneCount, collector);
    }

private:
    // Leaves that the boxes reach are tested with the world's own sphere test, so both trees
    // report exactly the same objects.
    struct Collector : btDbvt::ICollide {
        Collector(Plane const (&planes)[Frustum::kPlaneCount], Objects& found)
            : planes(planes), found(found) {}
        void Process(const btDbvtNode* leaf) override {
            Object3D* object = static_cast<Object3D*>(leaf->data);
            if (InsideAll(planes, object)) found.push_back(object);
        }
        Plane const (&planes)[Frustum::kPlaneCount];
        Objects& found;
    };

    static btDbvtVolume SweptBox(Object3D* robot) {
        const Vec3 center = robot->GetSweptCenter();
        return btDbvtVolume::FromCR(btVector3(center.x, center.y, center.z),
                                    robot->GetSweptRadius());
    }

    const std::vector<Object3D*>& robots;
    float margin;
    btDbvt tree;
    std::vector<btDbvtNode*> leaves;
};

void Planes(Frustum& frustum, Plane (&planes)[Frustum::kPlaneCount]) {
    for (int i = 0; i < Frustum::kPlaneCount; ++i) planes[i] = *frustum.GetPlane(i);
}

std::string Key(const char* what, int count) {
    return std::string("world/") + std::to_string(count) + "/" + what;
}

void BM_WorldAtScale(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<Start> starts = MakeStarts(count);
    CameraFrustum frustum;
    Plane planes[Frustum::kPlaneCount];
    Planes(frustum, planes);

    Robots ours(starts);
    World world;
    for (Object3D* robot : ours.all) world.Add(robot);
    Robots theirs(starts);
    BulletWorld bullet(theirs.all, kBulletSlackMargin);
    Robots others(starts);
    BulletWorld bulletDefault(others.all, kBulletDefaultMargin);
    for (int frame = 0; frame < kSettleFrames; ++frame) {
        world.Update(kFrameSeconds);
        bullet.Update(kFrameSeconds);
        bulletDefault.Update(kFrameSeconds);
    }

    double update = 0.0;
    double query = 0.0;
    double scan = 0.0;
    double packedRefresh = 0.0;
    double packedScan = 0.0;
    double bulletUpdate = 0.0;
    double bulletQuery = 0.0;
    double bulletDefaultUpdate = 0.0;
    double inView = 0.0;
    int frames = 0;
    PackedSpheres packed;
    std::vector<uint32_t> packedFound;
    std::vector<Object3D*> sortedFound;
    std::vector<Object3D*> sortedPacked;
    for (auto _ : state) {
        Objects found;
        Objects scanned;
        Objects bulletFound;
        Clock::time_point start = Clock::now();
        world.Update(kFrameSeconds);
        update += Since(start);
        start = Clock::now();
        world.QueryFrustum(&frustum, found);
        query += Since(start);
        start = Clock::now();
        ScanFrustum(world.entities, planes, scanned);
        scan += Since(start);
        start = Clock::now();
        packed.Refresh(ours.all);
        packedRefresh += Since(start);
        start = Clock::now();
        packed.QueryFrustum(planes, packedFound);
        packedScan += Since(start);
        start = Clock::now();
        bullet.Update(kFrameSeconds);
        bulletUpdate += Since(start);
        start = Clock::now();
        bullet.QueryFrustum(planes, bulletFound);
        bulletQuery += Since(start);
        start = Clock::now();
        bulletDefault.Update(kFrameSeconds);
        bulletDefaultUpdate += Since(start);

        if (found.size() != scanned.size() || bulletFound.size() != scanned.size()) {
            state.SkipWithError("the tree, the scan and Bullet found different objects");
            return;
        }
        sortedFound.assign(found.begin(), found.end());
        sortedPacked.clear();
        for (uint32_t index : packedFound) sortedPacked.push_back(ours.all[index]);
        std::sort(sortedFound.begin(), sortedFound.end());
        std::sort(sortedPacked.begin(), sortedPacked.end());
        if (sortedFound != sortedPacked) {
            state.SkipWithError("the tree and the packed scan found different objects");
            return;
        }
        inView += static_cast<double>(found.size());
        ++frames;
    }

    const double perObjectFrame = static_cast<double>(count) * frames;
    struct Figure {
        const char* name;
        double value;
    } const figures[] = {
        {"update_ns", update / perObjectFrame},
        {"query_ns", query / perObjectFrame},
        {"scan_ns", scan / perObjectFrame},
        {"packed_refresh_ns", packedRefresh / perObjectFrame},
        {"packed_scan_ns", packedScan / perObjectFrame},
        {"frame_ms", (update + query) / frames * 1e-6},
        {"bullet_update_ns", bulletUpdate / perObjectFrame},
        {"bullet_default_update_ns", bulletDefaultUpdate / perObjectFrame},
        {"bullet_query_ns", bulletQuery / perObjectFrame},
        {"in_view_percent", 100.0 * inView / perObjectFrame},
    };
    for (const Figure& figure : figures) {
        state.counters[figure.name] = figure.value;
        results::Record(Key(figure.name, count), figure.value);
    }
}

// Peak heap per object: the world with its robots, entity list, tree and nodes, over placement
// and frames with queries; and Bullet's tree alone over the same frames. Sampled after the
// objects are added and after every frame.
void BM_WorldMemory(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<Start> starts = MakeStarts(count);
    CameraFrustum frustum;
    Plane planes[Frustum::kPlaneCount];
    Planes(frustum, planes);

    for (auto _ : state) {
        double world = 0.0;
        double structure = 0.0;
        double bulletTree = 0.0;
        {
            heapcounter::Peak peak;
            std::int64_t const before = heapcounter::BytesInUse();
            Robots ours(starts);
            std::int64_t const robotsOnly = heapcounter::BytesInUse();
            auto live = std::make_unique<World>();
            for (Object3D* robot : ours.all) live->Add(robot);
            peak.Sample();
            for (int frame = 0; frame < kSettleFrames + kTimedFrames; ++frame) {
                live->Update(kFrameSeconds);
                Objects found;
                live->QueryFrustum(&frustum, found);
                peak.Sample();
            }
            world = static_cast<double>(peak.Bytes()) / count;
            structure = static_cast<double>(peak.Bytes() - (robotsOnly - before)) / count;
        }
        {
            Robots theirs(starts);
            heapcounter::Peak peak;
            auto tree = std::make_unique<BulletWorld>(theirs.all, kBulletSlackMargin);
            peak.Sample();
            for (int frame = 0; frame < kSettleFrames + kTimedFrames; ++frame) {
                tree->Update(kFrameSeconds);
                Objects found;
                tree->QueryFrustum(planes, found);
                peak.Sample();
            }
            bulletTree = static_cast<double>(peak.Bytes()) / count;
        }
        state.counters["world_bytes"] = world;
        state.counters["tree_bytes"] = structure;
        state.counters["bullet_tree_bytes"] = bulletTree;
        results::Record(Key("world_bytes", count), world);
        results::Record(Key("tree_bytes", count), structure);
        results::Record(Key("bullet_tree_bytes", count), bulletTree);
    }
}

}  // namespace

BENCHMARK(BM_WorldAtScale)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(kTimedFrames)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldMemory)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
