// Describes a model that the program's loader accepted, in readable form:
// counts, radius and extent, materials, texture records and the node tree,
// with warnings about what loads but would not look right.
#pragma once

#include <iosfwd>

class Model;

struct InspectOptions {
    bool full = false;  // also every vertex, normal and face
};

void DescribeModel(const Model& model, std::ostream& out,
                   const InspectOptions& options = InspectOptions());
