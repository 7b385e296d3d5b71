#include "content/tools/modelconvert/PolygonSplitter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace {

using Piece = PolygonSplitter::Piece;
using Direction = std::array<double, 3>;

// A corner seen in the polygon's plane.
struct Point {
    double x;
    double y;
};

// Corners further than this share of the polygon's size out of its plane
// make a polygon that quads cannot draw.
constexpr double kTolerance = 1e-4;
// Nor can they draw a corner that turns the wrong way by more than this
// angle, in radians; less is rounding.
constexpr double kLeastDent = 1e-4;
// Corners this close to a straight line, as a share of the size squared,
// turn neither way.
constexpr double kStraight = 1e-12;
// Ear clipping is quadratic in the worst case; a polygon that needs more
// corner tests than this (about a second's work) has the rest of it cut
// without looking, so that no file keeps the converter busy for long.
constexpr long kMostTests = 100000000;
constexpr double kFullTurn = 6.283185307179586;

// Twice the area of the triangle a, b, c; positive when it winds
// counter-clockwise.
double Turn(const Point& a, const Point& b, const Point& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool SamePlace(const Point& a, const Point& b) {
    return a.x == b.x && a.y == b.y;
}

Direction NewellSum(const std::vector<Vec3>& corners) {
    Direction sum = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vec3& a = corners[i];
        const Vec3& b = corners[(i + 1) % corners.size()];
        sum[0] += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
        sum[1] += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
        sum[2] += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
    }
    return sum;
}

Direction Cross(const Direction& a, const Direction& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Dot(const Direction& a, const Direction& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Direction Unit(const Direction& d) {
    const double length = std::sqrt(Dot(d, d));
    return {d[0] / length, d[1] / length, d[2] / length};
}

Direction Offset(const Vec3& from, const Vec3& to) {
    return {static_cast<double>(to.x) - from.x, static_cast<double>(to.y) - from.y,
            static_cast<double>(to.z) - from.z};
}

// A fan around corner 0, four corners a piece; a last piece of three repeats
// its last corner.
std::vector<Piece> Fan(unsigned count) {
    std::vector<Piece> pieces;
    for (unsigned first = 1; first + 1 < count; first += 2) {
        const unsigned second = first + 1;
        const unsigned third = std::min(first + 2, count - 1);
        pieces.push_back({0, first, second, third});
    }
    return pieces;
}

// True when every corner turns the same way and the outline goes round once,
// so that no dent and no crossing hides in it.
bool IsConvex(const std::vector<Point>& points) {
    const std::size_t count = points.size();
    double turning = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const Point& a = points[(i + count - 1) % count];
        const Point& b = points[i];
        const Point& c = points[(i + 1) % count];
        const double along = (b.x - a.x) * (c.x - b.x) + (b.y - a.y) * (c.y - b.y);
        const double angle = std::atan2(Turn(a, b, c), along);
        if (angle < -kLeastDent) return false;
        turning += angle;
    }
    return std::abs(turning - kFullTurn) < 0.5;
}

// Cuts ears off the outline, counter-clockwise in the plane, until one
// triangle is left. An ear is a corner that turns left and whose triangle
// holds no other corner; corners at the same place as the ear's own (the two
// ends of a seam) do not count, which is what lets a ring be cut.
class EarClipper {
public:
    EarClipper(const std::vector<Point>& points, double size)
        : points(points),
          straight(kStraight * size * size),
          before(points.size()),
          after(points.size()) {
        const unsigned count = static_cast<unsigned>(points.size());
        for (unsigned i = 0; i < count; ++i) {
            before[i] = (i + count - 1) % count;
            after[i] = (i + 1) % count;
        }
    }

    std::vector<Piece> Clip() {
        std::vector<Piece> pieces;
        unsigned start = 0;
        for (std::size_t left = points.size(); left > 3; --left) {
            unsigned ear = start;
            bool cut = true;
            if (tests < kMostTests) {
                FindEar(start, left, ear, cut);
            } else {
                ear = NearLeftTurn(start);
            }
            if (cut) pieces.push_back({before[ear], ear, after[ear], after[ear]});
            after[before[ear]] = after[ear];
            before[after[ear]] = before[ear];
            start = before[ear];
        }
        pieces.push_back({start, after[start], after[after[start]], after[after[start]]});
        return pieces;
    }

private:
    // One lap round what is left, from start. A corner on a straight line is
    // dropped without a piece: the outline stays what it was. A tangle with
    // no ear at all has its start cut anyway, so that clipping always ends.
    void FindEar(unsigned start, std::size_t left, unsigned& ear, bool& cut) {
        unsigned corner = start;
        for (std::size_t tried = 0; tried < left; ++tried, corner = after[corner]) {
            const double turn = Turn(points[before[corner]], points[corner], points[after[corner]]);
            ++tests;
            if (std::abs(turn) <= straight) {
                ear = corner;
                cut = false;
                return;
            }
            if (turn > 0.0 && HoldsNoCorner(corner)) {
                ear = corner;
                cut = true;
                return;
            }
        }
    }

    // The first of a few corners from start that turns left, else start.
    unsigned NearLeftTurn(unsigned start) const {
        unsigned corner = start;
        for (int step = 0; step < 16; ++step, corner = after[corner]) {
            if (Turn(points[before[corner]], points[corner], points[after[corner]]) > 0.0) {
                return corner;
            }
        }
        return start;
    }

    bool HoldsNoCorner(unsigned corner) {
        const Point& a = points[before[corner]];
        const Point& b = points[corner];
        const Point& c = points[after[corner]];
        for (unsigned other = after[after[corner]]; other != before[corner]; other = after[other]) {
            ++tests;
            const Point& p = points[other];
            if (SamePlace(p, a) || SamePlace(p, b) || SamePlace(p, c)) continue;
            if (Turn(a, b, p) >= 0.0 && Turn(b, c, p) >= 0.0 && Turn(c, a, p) >= 0.0) return false;
        }
        return true;
    }

    const std::vector<Point>& points;
    const double straight;
    std::vector<unsigned> before;
    std::vector<unsigned> after;
    long tests = 0;
};

}  // namespace

Vec3 PolygonSplitter::Normal(const std::vector<Vec3>& corners) {
    const Direction sum = NewellSum(corners);
    const double length = std::sqrt(Dot(sum, sum));
    if (length == 0.0 || !std::isfinite(length)) return Vec3();
    return Vec3(static_cast<float>(sum[0] / length), static_cast<float>(sum[1] / length),
                static_cast<float>(sum[2] / length));
}

std::vector<Piece> PolygonSplitter::Split(const std::vector<Vec3>& corners) {
    const unsigned count = static_cast<unsigned>(corners.size());
    if (count < 3) return {};
    if (count == 3) return {{0, 1, 2, 2}};

    // A polygon without area never shows; its corners are kept as they came.
    const Direction sum = NewellSum(corners);
    const double area = std::sqrt(Dot(sum, sum));
    if (area == 0.0 || !std::isfinite(area)) return Fan(count);

    // Two axes in the plane, chosen so that the outline, seen from its front,
    // winds counter-clockwise in them.
    const Direction normal = Unit(sum);
    const std::size_t least = static_cast<std::size_t>(
        std::min_element(normal.begin(), normal.end(),
                         [](double a, double b) { return std::abs(a) < std::abs(b); }) -
        normal.begin());
    Direction axis = {0.0, 0.0, 0.0};
    axis[least] = 1.0;
    const Direction u = Unit(Cross(normal, axis));
    const Direction v = Cross(normal, u);

    std::vector<Point> points;
    double size = 0.0;
    double outOfPlane = 0.0;
    for (const Vec3& corner : corners) {
        const Direction offset = Offset(corners[0], corner);
        points.push_back({Dot(offset, u), Dot(offset, v)});
        size = std::max(size, std::sqrt(Dot(offset, offset)));
        outOfPlane = std::max(outOfPlane, std::abs(Dot(offset, normal)));
    }
    if (outOfPlane <= kTolerance * size && IsConvex(points)) return Fan(count);
    return EarClipper(points, size).Clip();
}
