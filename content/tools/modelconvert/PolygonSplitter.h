// Cuts a polygon into the pieces a model file holds: quads, and triangles
// stored as quads that repeat their last corner.
//
// - A triangle stays itself.
// - A flat convex polygon becomes a fan of quads around its first corner,
//   the last piece a triangle when the count of corners is odd; a flat
//   convex quad thus stays as it is.
// - Any other polygon (one with a dent, one that is not flat, or an outline
//   and a hole joined by a seam, the way exporters write a ring) is cut into
//   triangles by clipping ears in the plane it lies closest to.
//
// Every piece winds the way the polygon does, so it faces where it faced.
#pragma once

#include <array>
#include <vector>

#include "math/Vec3.h"

class PolygonSplitter {
public:
    // Corner numbers into the polygon, in drawing order.
    using Piece = std::array<unsigned, 4>;

    static std::vector<Piece> Split(const std::vector<Vec3>& corners);

    // Unit normal by Newell's method, the way drawing decides which side of a
    // face is its front; zero for a polygon without area.
    static Vec3 Normal(const std::vector<Vec3>& corners);
};
