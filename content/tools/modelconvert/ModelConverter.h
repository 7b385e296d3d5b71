// Turns a model in a common interchange format (Wavefront OBJ with its MTL
// materials, glTF, FBX, COLLADA, or anything else the import library reads)
// into a description that the model writer saves as one of our model files,
// and the pictures of its textures, to be saved as TGA files beside it.
//
// What becomes of the source:
// - Every polygon becomes quads and triangles (see PolygonSplitter): a
//   triangle repeats its last corner, a flat convex quad stays as it is, a
//   larger flat convex polygon becomes a fan of quads, and any other polygon
//   is cut into triangles that cover exactly its outline. Lines and points
//   are left out. Corners keep their order, so fronts stay fronts.
// - Positions and normals go into shared arrays, each distinct value once.
//   Normals come from the source; where it has none, each face gets its own
//   outward normal.
// - Materials used by at least one face, in the source's order. The colour
//   is the diffuse colour, else the PBR base colour, else white when the
//   material has a texture (which then shows as it is), else a neutral grey;
//   specular colour and shininess (limited to 0..128, the range OpenGL takes)
//   come from the source where it has them.
// - The diffuse (else base colour) texture of a material becomes a texture
//   record and a picture (see TextureCollector); a texture that cannot be
//   found or decoded is left out with a warning.
// - Texture coordinates of the first channel become one set per face.
// - The node tree is the importer's; the root is named after the input file.
// - The radius is the smallest one about the origin that encloses every vertex.
//
// A file that gives no model is refused with one line saying what it holds
// and why nothing can be made of it.
#pragma once

#include <string>
#include <vector>

#include "content/tools/modelwriter/ModelWriter.h"
#include "content/tools/modelwriter/TgaWriter.h"

struct ConvertOptions {
    float scale = 1.0f;     // multiplies every position; must be positive
    std::string modelName;  // the model file's name without folder and extension,
                            // which the texture files' names start with; the
                            // input file's when empty
};

class ModelConverter {
public:
    // Reads the file and builds the model. False, with Error() saying why,
    // when the file cannot be read or the result cannot be a model file.
    bool Convert(const std::string& inputPath, const ConvertOptions& options = ConvertOptions());

    const ModelDescription& GetModel() const { return model; }
    // The picture of each texture record, in the records' order, to be
    // saved under the record's file name in the model file's folder.
    const std::vector<TgaPicture>& GetPictures() const { return pictures; }
    const std::string& Error() const { return error; }
    // What a user may want to know that does not stop the conversion.
    const std::vector<std::string>& Notes() const { return notes; }
    // What the converted model lacks that the source has: textures left out.
    const std::vector<std::string>& Warnings() const { return warnings; }

private:
    bool Fail(const std::string& reason);

    ModelDescription model;
    std::vector<TgaPicture> pictures;
    std::string error;
    std::vector<std::string> notes;
    std::vector<std::string> warnings;
};

// The smallest radius about the origin, as a float, that no vertex lies outside.
float EnclosingRadius(const std::vector<Vec3>& vertices);
