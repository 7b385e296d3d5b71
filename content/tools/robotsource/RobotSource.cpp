#include "content/tools/robotsource/RobotSource.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Point {
    double x, y, z;
};

Point operator-(const Point& a, const Point& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

double Dot(const Point& a, const Point& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The colours. Light comes from the viewer, so faces towards the camera
// show colour plus highlight and bevels turned away show the shape.
struct MaterialSource {
    const char* name;
    const char* diffuse;
    const char* specular;
    int shininess;
};

const MaterialSource kMaterials[] = {
    {"hull", "0.56 0.62 0.70", "0.35 0.35 0.35", 24},    // steel blue plating
    {"trim", "0.20 0.21 0.24", "0.25 0.25 0.25", 16},    // gunmetal joints and frame
    {"accent", "0.95 0.52 0.10", "0.30 0.30 0.30", 20},  // orange shoulders, feet, stripe
    {"visor", "0.03 0.04 0.06", "0.10 0.10 0.10", 60},   // dark glass
    {"eyes", "0.35 0.95 1.00", "0.20 0.20 0.20", 40},    // glowing cyan
    {"lamp", "1.00 0.12 0.08", "0.20 0.20 0.20", 40},    // red antenna tip and light
};

// A box centred on (x, y, z) with full sizes w, h, d, its edges bevelled by
// bevel (0: a plain box). The bevel stays below half of every size, or the
// box's own faces would shrink to nothing.
struct Part {
    const char* name;
    const char* material;
    double x, y, z;
    double w, h, d;
    double bevel;
};

// Left and right are the robot's own: it faces +z, so its left is at +x.
const Part kParts[] = {
    // Legs, from the ground up.
    {"foot_left", "accent", 45, -287, 14, 70, 26, 112, 6},
    {"foot_right", "accent", -45, -287, 14, 70, 26, 112, 6},
    {"shin_left", "hull", 45, -210, 0, 52, 130, 56, 8},
    {"shin_right", "hull", -45, -210, 0, 52, 130, 56, 8},
    {"knee_left", "trim", 45, -138, 4, 46, 26, 54, 6},
    {"knee_right", "trim", -45, -138, 4, 46, 26, 54, 6},
    {"thigh_left", "hull", 45, -80, 0, 58, 100, 62, 8},
    {"thigh_right", "hull", -45, -80, 0, 58, 100, 62, 8},
    {"hips", "trim", 0, -18, 0, 150, 40, 80, 8},
    // Body.
    {"torso", "hull", 0, 95, 0, 200, 190, 110, 14},
    {"belt", "accent", 0, 24, 57, 150, 14, 6, 2},
    {"chest_panel", "trim", 0, 120, 56, 110, 70, 8, 3},
    {"chest_light_left", "lamp", 30, 120, 61.5, 18, 18, 5, 2},
    {"chest_light_middle", "accent", 0, 120, 61.5, 18, 18, 5, 2},
    {"chest_light_right", "eyes", -30, 120, 61.5, 18, 18, 5, 2},
    // Arms, shoulder to hand.
    {"shoulder_left", "accent", 130, 166, 0, 60, 56, 84, 12},
    {"shoulder_right", "accent", -130, 166, 0, 60, 56, 84, 12},
    {"upper_arm_left", "hull", 130, 100, 0, 40, 84, 44, 6},
    {"upper_arm_right", "hull", -130, 100, 0, 40, 84, 44, 6},
    {"elbow_left", "trim", 130, 50, 2, 38, 24, 42, 5},
    {"elbow_right", "trim", -130, 50, 2, 38, 24, 42, 5},
    {"forearm_left", "hull", 130, -4, 4, 50, 90, 54, 8},
    {"forearm_right", "hull", -130, -4, 4, 50, 90, 54, 8},
    {"hand_left", "trim", 130, -72, 8, 44, 46, 46, 8},
    {"hand_right", "trim", -130, -72, 8, 44, 46, 46, 8},
    // Head.
    {"neck", "trim", 0, 199, 0, 56, 22, 50, 4},
    {"head", "hull", 0, 238, 0, 130, 64, 100, 12},
    {"visor", "visor", 0, 242, 51, 104, 26, 8, 3},
    {"eye_left", "eyes", 24, 242, 56, 26, 12, 4, 1},
    {"eye_right", "eyes", -24, 242, 56, 26, 12, 4, 1},
    {"mouth_upper", "trim", 0, 223, 50, 56, 4, 6, 0},
    {"mouth_lower", "trim", 0, 215, 50, 56, 4, 6, 0},
    {"ear_left", "accent", 70, 238, 0, 12, 36, 50, 4},
    {"ear_right", "accent", -70, 238, 0, 12, 36, 50, 4},
    {"antenna", "trim", 0, 278, 0, 8, 24, 8, 0},
    {"antenna_tip", "lamp", 0, 292, 0, 16, 16, 16, 4},
};

// A part's corners and its polygons as indices into them.
struct Shape {
    std::vector<Point> points;
    std::vector<std::vector<int>> polygons;
};

// The point of corner (sx, sy, sz) that lies on the face across axis.
Point BevelPoint(const Part& part, int sx, int sy, int sz, int axis) {
    const double hx = part.w / 2, hy = part.h / 2, hz = part.d / 2, b = part.bevel;
    return {part.x + sx * (axis == 0 ? hx : hx - b), part.y + sy * (axis == 1 ? hy : hy - b),
            part.z + sz * (axis == 2 ? hz : hz - b)};
}

int Sign(int bit) {
    return bit ? 1 : -1;
}

Shape MakeShape(const Part& part) {
    Shape shape;
    // Index of corner (sx, sy, sz) on the face across axis; a plain box has
    // one point per corner.
    std::map<std::vector<int>, int> index;
    const int axes = part.bevel > 0 ? 3 : 1;
    for (int corner = 0; corner < 8; ++corner) {
        for (int axis = 0; axis < axes; ++axis) {
            const int s[3] = {Sign(corner & 1), Sign(corner & 2), Sign(corner & 4)};
            index[{s[0], s[1], s[2], axis}] = static_cast<int>(shape.points.size());
            shape.points.push_back(BevelPoint(part, s[0], s[1], s[2], axis));
        }
    }
    auto at = [&](int sx, int sy, int sz, int axis) {
        return index.at({sx, sy, sz, part.bevel > 0 ? axis : 0});
    };
    auto corner = [](int axis, int sign, int u, int v) {
        // Signs of the corner with the given sign across axis and u, v across the other two.
        int s[3];
        s[axis] = sign;
        s[(axis + 1) % 3] = u;
        s[(axis + 2) % 3] = v;
        return std::vector<int>{s[0], s[1], s[2]};
    };

    // The six faces.
    for (int axis = 0; axis < 3; ++axis) {
        for (int sign : {-1, 1}) {
            std::vector<int> polygon;
            for (const auto& uv : {std::vector<int>{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
                const std::vector<int> s = corner(axis, sign, uv[0], uv[1]);
                polygon.push_back(at(s[0], s[1], s[2], axis));
            }
            shape.polygons.push_back(polygon);
        }
    }
    if (part.bevel <= 0) return shape;

    // The twelve bevels along the edges, between the faces across a and c.
    for (int a = 0; a < 3; ++a) {
        const int c = (a + 1) % 3;
        const int e = (a + 2) % 3;
        for (int sa : {-1, 1}) {
            for (int sc : {-1, 1}) {
                std::vector<int> polygon;
                for (const auto& step : {std::vector<int>{-1, a}, {1, a}, {1, c}, {-1, c}}) {
                    int s[3];
                    s[a] = sa;
                    s[c] = sc;
                    s[e] = step[0];
                    polygon.push_back(at(s[0], s[1], s[2], step[1]));
                }
                shape.polygons.push_back(polygon);
            }
        }
    }
    // The eight corner triangles.
    for (int bits = 0; bits < 8; ++bits) {
        const int sx = Sign(bits & 1), sy = Sign(bits & 2), sz = Sign(bits & 4);
        shape.polygons.push_back({at(sx, sy, sz, 0), at(sx, sy, sz, 1), at(sx, sy, sz, 2)});
    }
    return shape;
}

// Newell's normal of a polygon, not normalised.
Point Newell(const std::vector<Point>& corners) {
    Point n = {0, 0, 0};
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Point& p = corners[i];
        const Point& q = corners[(i + 1) % corners.size()];
        n.x += (p.y - q.y) * (p.z + q.z);
        n.y += (p.z - q.z) * (p.x + q.x);
        n.z += (p.x - q.x) * (p.y + q.y);
    }
    return n;
}

// Rounding noise would print as -0.000000.
double Clean(double value) {
    return std::fabs(value) < 5e-7 ? 0.0 : value;
}

std::string Format(const char* format, double a, double b, double c) {
    char line[128];
    std::snprintf(line, sizeof(line), format, a, b, c);
    return line;
}

}  // namespace

RobotSource MakeRobotSource() {
    RobotSource source;
    source.mtl =
        "# Brakmoor's materials: plain colours, no textures.\n"
        "# Written by robotsource (content/tools/robotsource); edit that, not this.\n";
    for (const MaterialSource& material : kMaterials) {
        source.mtl += std::string("\nnewmtl ") + material.name + "\nKd " + material.diffuse +
                      "\nKs " + material.specular + "\nNs " + std::to_string(material.shininess) +
                      "\n";
    }

    source.obj =
        "# Brakmoor, the robot of level 01: about 600 units tall, centred on the origin,\n"
        "# facing +z. Front faces wind counter-clockwise seen from outside.\n"
        "# Written by robotsource (content/tools/robotsource); edit that, not this.\n"
        "mtllib brakmoor.mtl\n";
    int vertexBase = 1;
    std::map<std::string, int> normalIndex;
    for (const Part& part : kParts) {
        const Shape shape = MakeShape(part);
        source.obj += std::string("\no ") + part.name + "\n";
        for (const Point& p : shape.points) source.obj += Format("v %g %g %g\n", p.x, p.y, p.z);

        std::string faces = std::string("usemtl ") + part.material + "\n";
        const Point centre = {part.x, part.y, part.z};
        for (std::vector<int> polygon : shape.polygons) {
            std::vector<Point> corners;
            Point middle = {0, 0, 0};
            for (int i : polygon) {
                corners.push_back(shape.points[i]);
                middle = {middle.x + shape.points[i].x / polygon.size(),
                          middle.y + shape.points[i].y / polygon.size(),
                          middle.z + shape.points[i].z / polygon.size()};
            }
            // Boxes are convex: a face's front looks away from the centre.
            Point n = Newell(corners);
            if (Dot(n, middle - centre) < 0) {
                std::reverse(polygon.begin(), polygon.end());
                n = {-n.x, -n.y, -n.z};
            }
            const double length = std::sqrt(Dot(n, n));
            const std::string normal = Format("vn %.6f %.6f %.6f\n", Clean(n.x / length),
                                              Clean(n.y / length), Clean(n.z / length));
            if (normalIndex.count(normal) == 0) {
                const int next = static_cast<int>(normalIndex.size()) + 1;
                normalIndex[normal] = next;
                source.obj += normal;
            }
            faces += "f";
            for (int i : polygon) {
                faces += " " + std::to_string(vertexBase + i) + "//" +
                         std::to_string(normalIndex[normal]);
            }
            faces += "\n";
        }
        source.obj += faces;
        vertexBase += static_cast<int>(shape.points.size());
    }
    return source;
}
