// Turns a model in a common interchange format (Wavefront OBJ with its MTL
// materials, or anything else the import library reads) into a description
// that the model writer saves as one of our model files.
//
// What becomes of the source:
// - Every polygon becomes quads: a triangle repeats its last corner, a quad
//   stays as it is, a larger polygon is cut into a fan of quads (and a final
//   triangle) around its first corner, which suits convex polygons. Lines and
//   points are left out. Corners keep their order, so counter-clockwise front
//   faces stay counter-clockwise.
// - Positions and normals go into shared arrays, each distinct value once.
//   Normals come from the source; where it has none, each face gets its own
//   outward normal.
// - Materials used by at least one face, in the source's order: diffuse
//   colour, specular colour, shininess (limited to 0..128, the range OpenGL
//   takes) and the diffuse texture map as a texture record.
// - Texture coordinates of the first channel become one set per face.
// - The node tree is the importer's; the root is named after the input file.
// - The radius is the smallest one about the origin that encloses every vertex.
#pragma once

#include "tools/modelwriter/ModelWriter.h"

#include <string>
#include <vector>

struct ConvertOptions {
    float scale = 1.0f;   // multiplies every position; must be positive
};

class ModelConverter {
public:
    // Reads the file and builds the model. False, with Error() saying why,
    // when the file cannot be read or the result cannot be a model file.
    bool Convert(const std::string& inputPath, const ConvertOptions& options = ConvertOptions());

    const ModelDescription& GetModel() const { return model; }
    const std::string& Error() const { return error; }
    // What a user may want to know that does not stop the conversion.
    const std::vector<std::string>& Notes() const { return notes; }

private:
    bool Fail(const std::string& reason);

    ModelDescription model;
    std::string error;
    std::vector<std::string> notes;
};

// The smallest radius about the origin, as a float, that no vertex lies outside.
float EnclosingRadius(const std::vector<Vec3>& vertices);
