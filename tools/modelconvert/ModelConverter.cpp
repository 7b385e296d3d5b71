#include "tools/modelconvert/ModelConverter.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <sstream>
#include <utility>

namespace {

// OpenGL refuses a shininess outside this range and keeps the old one.
constexpr float kMaxShininess = 128.0f;

std::uint32_t Bits(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

bool IsFinite(const Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Keeps each distinct vector once, in order of first use; equal means equal bits.
class VectorPool {
public:
    explicit VectorPool(std::vector<Vec3>& vectors) : vectors(vectors) {}

    std::int32_t IndexOf(const Vec3& v) {
        const std::array<std::uint32_t, 3> key = {Bits(v.x), Bits(v.y), Bits(v.z)};
        const auto found = indices.find(key);
        if (found != indices.end()) return found->second;
        const std::int32_t index = static_cast<std::int32_t>(vectors.size());
        vectors.push_back(v);
        indices.emplace(key, index);
        return index;
    }

private:
    std::vector<Vec3>& vectors;
    std::map<std::array<std::uint32_t, 3>, std::int32_t> indices;
};

// Unit normal of a polygon by Newell's method, the way drawing decides
// which side of a face is its front; zero for a polygon without area.
Vec3 PolygonNormal(const std::vector<Vec3>& corners) {
    double x = 0.0, y = 0.0, z = 0.0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vec3& a = corners[i];
        const Vec3& b = corners[(i + 1) % corners.size()];
        x += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
        y += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
        z += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
    }
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0) return Vec3();
    return Vec3(static_cast<float>(x / length), static_cast<float>(y / length),
                static_cast<float>(z / length));
}

// The corners of the quads a polygon of cornerCount corners becomes: a fan
// around corner 0, each piece of four, the last one of three or four; a
// piece of three repeats its last corner.
std::vector<std::array<unsigned, 4>> QuadPieces(unsigned cornerCount) {
    std::vector<std::array<unsigned, 4>> pieces;
    for (unsigned first = 1; first + 1 < cornerCount; first += 2) {
        const unsigned second = first + 1;
        const unsigned third = std::min(first + 2, cornerCount - 1);
        pieces.push_back({0, first, second, third});
    }
    return pieces;
}

bool EndsWithTga(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "tga";
}

std::string Number(float value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// A node name cut to what a model file holds: no NUL inside, at most 127 bytes.
std::string NodeName(const aiString& text) {
    std::string name(text.C_Str());
    if (name.size() >= ModelWriter::kMaxNameBytes) name.resize(ModelWriter::kMaxNameBytes - 1);
    return name;
}

// Walks the importer's scene and gathers the faces, vertices, normals and
// nodes; materials follow once it is known which ones faces use.
class SceneReader {
public:
    SceneReader(const aiScene& scene, const ConvertOptions& options, ModelDescription& model)
        : scene(scene),
          options(options),
          model(model),
          vertexPool(model.vertices),
          normalPool(model.normals),
          facesOfMaterial(scene.mNumMaterials) {}

    // False when the scene holds something a model file cannot.
    bool ReadNode(const aiNode& source, const aiMatrix4x4& parentTransform,
                  NodeDescription& node, std::string& error) {
        node.name = NodeName(source.mName);
        node.id = nextNodeId++;
        const aiMatrix4x4 transform = parentTransform * source.mTransformation;
        for (unsigned i = 0; i < source.mNumMeshes; ++i) {
            if (source.mMeshes[i] >= scene.mNumMeshes) {
                error = "node '" + node.name + "' names a mesh that does not exist";
                return false;
            }
            if (!ReadMesh(*scene.mMeshes[source.mMeshes[i]], transform, error)) return false;
        }
        node.children.resize(source.mNumChildren);
        for (unsigned i = 0; i < source.mNumChildren; ++i) {
            if (!ReadNode(*source.mChildren[i], transform, node.children[i], error)) return false;
        }
        return true;
    }

    const std::vector<std::vector<std::int32_t>>& FacesOfMaterial() const {
        return facesOfMaterial;
    }
    int SkippedPrimitives() const { return skippedPrimitives; }
    int FlatFaces() const { return flatFaces; }

private:
    bool ReadMesh(const aiMesh& mesh, const aiMatrix4x4& transform, std::string& error) {
        if (mesh.mMaterialIndex >= scene.mNumMaterials) {
            error = "mesh '" + std::string(mesh.mName.C_Str()) + "' has no material";
            return false;
        }
        const bool identity = transform.IsIdentity();
        // A mirroring transform turns front faces into back faces: the
        // corners are then taken in reverse order.
        const bool mirrored = transform.Determinant() < 0.0f;
        aiMatrix3x3 normalTransform(transform);
        normalTransform.Inverse().Transpose();

        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& source = mesh.mFaces[f];
            if (source.mNumIndices < 3) {
                ++skippedPrimitives;
                continue;
            }
            std::vector<unsigned> order(source.mIndices, source.mIndices + source.mNumIndices);
            if (mirrored) std::reverse(order.begin(), order.end());

            std::vector<Vec3> positions;
            std::vector<Vec3> normals;
            std::vector<Vec2> uvs;
            for (unsigned index : order) {
                if (index >= mesh.mNumVertices) {
                    error = "a face of mesh '" + std::string(mesh.mName.C_Str()) +
                            "' names a vertex that does not exist";
                    return false;
                }
                aiVector3D p = mesh.mVertices[index];
                if (!identity) p = transform * p;
                positions.emplace_back(p.x * options.scale, p.y * options.scale,
                                       p.z * options.scale);
                if (!IsFinite(positions.back())) {
                    error = "mesh '" + std::string(mesh.mName.C_Str()) +
                            "' has a vertex that is not a finite point";
                    return false;
                }
                if (mesh.HasNormals()) {
                    aiVector3D n = mesh.mNormals[index];
                    if (!identity) n = (normalTransform * n).Normalize();
                    normals.emplace_back(n.x, n.y, n.z);
                    if (!IsFinite(normals.back())) normals.back() = Vec3();
                }
                if (mesh.HasTextureCoords(0)) {
                    uvs.emplace_back(mesh.mTextureCoords[0][index].x,
                                     mesh.mTextureCoords[0][index].y);
                }
            }
            const Vec3 faceNormal = PolygonNormal(positions);
            if (faceNormal.x == 0.0f && faceNormal.y == 0.0f && faceNormal.z == 0.0f) {
                ++flatFaces;
            }

            for (const std::array<unsigned, 4>& piece : QuadPieces(source.mNumIndices)) {
                FaceDescription face;
                TexCoordSetDescription set;
                for (int k = 0; k < 4; ++k) {
                    const unsigned corner = piece[k];
                    face.vertexIndex[k] = vertexPool.IndexOf(positions[corner]);
                    face.normalIndex[k] =
                        normalPool.IndexOf(mesh.HasNormals() ? normals[corner] : faceNormal);
                    if (!uvs.empty()) set.corners[k] = uvs[corner];
                }
                if (!uvs.empty()) face.sets.push_back(set);
                facesOfMaterial[mesh.mMaterialIndex].push_back(
                    static_cast<std::int32_t>(model.faces.size()));
                model.faces.push_back(face);
            }
        }
        return true;
    }

    const aiScene& scene;
    const ConvertOptions& options;
    ModelDescription& model;
    VectorPool vertexPool;
    VectorPool normalPool;
    std::vector<std::vector<std::int32_t>> facesOfMaterial;
    std::int32_t nextNodeId = 0;
    int skippedPrimitives = 0;
    int flatFaces = 0;
};

}  // namespace

float EnclosingRadius(const std::vector<Vec3>& vertices) {
    double farthest = 0.0;
    for (const Vec3& v : vertices) {
        const double x = v.x, y = v.y, z = v.z;
        farthest = std::max(farthest, std::sqrt(x * x + y * y + z * z));
    }
    float radius = static_cast<float>(farthest);
    // Rounding to float may have come out just short of the farthest vertex.
    if (static_cast<double>(radius) < farthest) {
        radius = std::nextafter(radius, std::numeric_limits<float>::infinity());
    }
    return radius;
}

bool ModelConverter::Fail(const std::string& reason) {
    error = reason;
    model = ModelDescription();
    return false;
}

bool ModelConverter::Convert(const std::string& inputPath, const ConvertOptions& options) {
    model = ModelDescription();
    error.clear();
    notes.clear();
    if (!(options.scale > 0.0f) || !std::isfinite(options.scale)) {
        return Fail("the scale must be a positive number");
    }

    Assimp::Importer importer;
    // No post-processing that would change the faces: quads must stay quads.
    const aiScene* scene = importer.ReadFile(inputPath, aiProcess_ValidateDataStructure);
    if (scene == nullptr) {
        return Fail("cannot read '" + inputPath + "': " + importer.GetErrorString());
    }
    if ((scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0 || scene->mRootNode == nullptr) {
        return Fail("'" + inputPath + "' holds no complete model");
    }

    NodeDescription root;
    SceneReader reader(*scene, options, model);
    std::string readError;
    if (!reader.ReadNode(*scene->mRootNode, aiMatrix4x4(), root, readError)) {
        return Fail(readError);
    }
    root.name = NodeName(aiString(std::filesystem::path(inputPath).stem().string()));
    model.nodes.push_back(std::move(root));
    if (model.faces.empty()) return Fail("'" + inputPath + "' has no faces to convert");
    if (reader.SkippedPrimitives() > 0) {
        notes.push_back("left out " + std::to_string(reader.SkippedPrimitives()) +
                        " lines and points: a model file holds only faces");
    }
    if (reader.FlatFaces() > 0) {
        notes.push_back(std::to_string(reader.FlatFaces()) +
                        " faces have no area: the program never draws them");
    }

    std::map<std::string, std::int32_t> textureIndex;
    for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
        const std::vector<std::int32_t>& faces = reader.FacesOfMaterial()[m];
        if (faces.empty()) continue;
        const aiMaterial& source = *scene->mMaterials[m];
        const std::string name = source.GetName().C_Str();
        MaterialDescription material;
        material.faceIndices = faces;

        aiColor3D colour(0.0f, 0.0f, 0.0f);
        source.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
        material.colour[0] = colour.r;
        material.colour[1] = colour.g;
        material.colour[2] = colour.b;
        aiColor3D specular(0.0f, 0.0f, 0.0f);
        source.Get(AI_MATKEY_COLOR_SPECULAR, specular);
        material.specular[0] = specular.r;
        material.specular[1] = specular.g;
        material.specular[2] = specular.b;
        float shininess = 0.0f;
        source.Get(AI_MATKEY_SHININESS, shininess);
        if (!(shininess >= 0.0f)) shininess = 0.0f;
        if (shininess > kMaxShininess) {
            notes.push_back("material '" + name + "': shininess " + Number(shininess) +
                            " is more than OpenGL takes; 128 is used");
            shininess = kMaxShininess;
        }
        material.shininess = shininess;

        aiString texturePath;
        if (source.GetTexture(aiTextureType_DIFFUSE, 0, &texturePath) == aiReturn_SUCCESS &&
            texturePath.length > 0) {
            const std::string fileName = texturePath.C_Str();
            if (fileName.size() >= ModelWriter::kMaxNameBytes) {
                return Fail("material '" + name + "': the texture file name '" + fileName +
                            "' is longer than a model file holds (127 bytes)");
            }
            const auto found = textureIndex.find(fileName);
            if (found != textureIndex.end()) {
                material.textureIndex = found->second;
            } else {
                material.textureIndex = static_cast<std::int32_t>(model.textures.size());
                textureIndex.emplace(fileName, material.textureIndex);
                model.textures.push_back({fileName, 0, 0});
                if (!EndsWithTga(fileName)) {
                    notes.push_back("texture '" + fileName +
                                    "' is not a TGA image: the program loads only those");
                }
            }
        }
        model.materials.push_back(std::move(material));
    }

    model.radius = EnclosingRadius(model.vertices);
    return true;
}
