#include "content/tools/modelconvert/ModelConverter.h"

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
#include <system_error>
#include <utility>

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include "content/tools/modelconvert/PolygonSplitter.h"
#include "content/tools/modelconvert/TextureCollector.h"
#include "content/tools/modelconvert/Utf16TextIOSystem.h"

namespace {

// OpenGL refuses a shininess outside this range and keeps the old one.
constexpr float kMaxShininess = 128.0f;
// The colour of a material that names none and has no texture to show.
constexpr float kNeutralGrey = 0.7f;

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
// nodes; materials follow once it is known which ones faces use. The scene
// is checked here, as far as it is read, rather than by the importer's own
// validation, which refuses whole scenes for things a model file does not
// keep (a light without a node, an empty mesh beside the real ones).
class SceneReader {
public:
    SceneReader(const aiScene& scene, const ConvertOptions& options, ModelDescription& model)
        : scene(scene),
          options(options),
          model(model),
          vertexPool(model.vertices),
          normalPool(model.normals),
          facesOfMaterial(scene.mNumMaterials + 1) {}

    // False when the scene holds something a model file cannot.
    bool ReadNode(const aiNode& source, const aiMatrix4x4& parentTransform, NodeDescription& node,
                  std::string& error) {
        node.name = NodeName(source.mName);
        node.id = nextNodeId++;
        const aiMatrix4x4 transform = parentTransform * source.mTransformation;
        for (unsigned i = 0; i < source.mNumMeshes && source.mMeshes != nullptr; ++i) {
            const unsigned mesh = source.mMeshes[i];
            if (mesh >= scene.mNumMeshes || scene.mMeshes[mesh] == nullptr) {
                error = "node '" + node.name + "' names a mesh that does not exist";
                return false;
            }
            if (!ReadMesh(*scene.mMeshes[mesh], transform, error)) return false;
        }
        for (unsigned i = 0; i < source.mNumChildren && source.mChildren != nullptr; ++i) {
            if (source.mChildren[i] == nullptr) continue;  // nothing there to convert
            node.children.emplace_back();
            if (!ReadNode(*source.mChildren[i], transform, node.children.back(), error)) {
                return false;
            }
        }
        return true;
    }

    // Per material, the faces that use it; the last entry is for meshes that
    // name no material of the scene.
    const std::vector<std::vector<std::int32_t>>& FacesOfMaterial() const {
        return facesOfMaterial;
    }
    int PlacedMeshes() const { return placedMeshes; }
    int SkippedPrimitives() const { return skippedPrimitives; }
    int UnplacedFaces() const { return unplacedFaces; }
    int FlatFaces() const { return flatFaces; }

private:
    bool ReadMesh(const aiMesh& mesh, const aiMatrix4x4& transform, std::string& error) {
        ++placedMeshes;
        const unsigned material = std::min(mesh.mMaterialIndex, scene.mNumMaterials);
        const bool identity = transform.IsIdentity();
        // A mirroring transform turns front faces into back faces: the
        // corners are then taken in reverse order.
        const bool mirrored = transform.Determinant() < 0.0f;
        aiMatrix3x3 normalTransform(transform);
        normalTransform.Inverse().Transpose();

        for (unsigned f = 0; f < mesh.mNumFaces && mesh.mFaces != nullptr; ++f) {
            const aiFace& source = mesh.mFaces[f];
            if (source.mNumIndices < 3 || source.mIndices == nullptr) {
                ++skippedPrimitives;
                continue;
            }
            std::vector<unsigned> order(source.mIndices, source.mIndices + source.mNumIndices);
            if (mirrored) std::reverse(order.begin(), order.end());

            std::vector<Vec3> positions;
            std::vector<Vec3> normals;
            std::vector<Vec2> uvs;
            for (unsigned index : order) {
                if (index >= mesh.mNumVertices || mesh.mVertices == nullptr) {
                    error = "a face of mesh '" + std::string(mesh.mName.C_Str()) +
                            "' names a vertex that does not exist";
                    return false;
                }
                aiVector3D p = mesh.mVertices[index];
                if (!identity) p = transform * p;
                positions.emplace_back(p.x * options.scale, p.y * options.scale,
                                       p.z * options.scale);
                if (mesh.HasNormals()) {
                    aiVector3D n = mesh.mNormals[index];
                    if (!identity) n = (normalTransform * n).Normalize();
                    normals.emplace_back(n.x, n.y, n.z);
                    if (!IsFinite(normals.back())) normals.back() = Vec3();
                }
                if (mesh.HasTextureCoords(0)) {
                    const aiVector3D& uv = mesh.mTextureCoords[0][index];
                    const bool finite = std::isfinite(uv.x) && std::isfinite(uv.y);
                    uvs.emplace_back(finite ? uv.x : 0.0f, finite ? uv.y : 0.0f);
                }
            }
            // A corner at no finite place cannot be drawn, nor the face with it.
            if (!std::all_of(positions.begin(), positions.end(),
                             [](const Vec3& v) { return IsFinite(v); })) {
                ++unplacedFaces;
                continue;
            }
            const Vec3 faceNormal = PolygonSplitter::Normal(positions);
            if (faceNormal.x == 0.0f && faceNormal.y == 0.0f && faceNormal.z == 0.0f) {
                ++flatFaces;
            }

            for (const PolygonSplitter::Piece& piece : PolygonSplitter::Split(positions)) {
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
                facesOfMaterial[material].push_back(static_cast<std::int32_t>(model.faces.size()));
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
    int placedMeshes = 0;
    int skippedPrimitives = 0;
    int unplacedFaces = 0;
    int flatFaces = 0;
};

std::string Counted(unsigned count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

unsigned CountNodes(const aiNode* node) {
    if (node == nullptr) return 0;
    unsigned count = 1;
    for (unsigned i = 0; i < node->mNumChildren; ++i) count += CountNodes(node->mChildren[i]);
    return count;
}

// True when the importer made the meshes itself, to show a skeleton: the
// file holds motion, or cameras and lights, but no geometry of its own.
bool OnlyShowsASkeleton(const aiScene& scene) {
    if ((scene.mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0) return true;
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
        if (scene.mMeshes[i] == nullptr) continue;
        const unsigned material = scene.mMeshes[i]->mMaterialIndex;
        if (material >= scene.mNumMaterials || scene.mMaterials[material] == nullptr ||
            std::strcmp(scene.mMaterials[material]->GetName().C_Str(), "SkeletonMaterial") != 0) {
            return false;
        }
    }
    return true;
}

// What a scene without meshes of its own holds. Importers that find only a
// skeleton, cameras or lights mark the scene incomplete and may give it
// stand-in meshes to show the skeleton; those are not the asset's.
std::string Contents(const aiScene& scene) {
    std::vector<std::string> items;
    if (scene.mNumCameras > 0) items.push_back(Counted(scene.mNumCameras, "camera"));
    if (scene.mNumLights > 0) items.push_back(Counted(scene.mNumLights, "light"));
    if (scene.mNumAnimations > 0) items.push_back(Counted(scene.mNumAnimations, "animation"));
    if (scene.mNumTextures > 0) items.push_back(Counted(scene.mNumTextures, "texture"));
    if (items.empty() && scene.mNumMeshes > 0) {
        items.push_back("only a skeleton of " + Counted(CountNodes(scene.mRootNode), "node"));
    }
    if (items.empty() && scene.mNumMaterials > 0) {
        items.push_back(Counted(scene.mNumMaterials, "material") + " and nothing that uses them");
    }
    if (items.empty()) return "the importer found nothing in it";
    std::string text = items[0];
    for (std::size_t i = 1; i < items.size(); ++i) text += ", " + items[i];
    return text;
}

// The file's extension in capitals, the way formats are commonly named.
std::string FormatName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension.empty() ? "model" : extension;
}

// The importer's message as one line without a final full stop.
std::string OneLine(std::string message) {
    std::replace(message.begin(), message.end(), '\n', ' ');
    std::replace(message.begin(), message.end(), '\r', ' ');
    while (!message.empty() && (message.back() == ' ' || message.back() == '.')) message.pop_back();
    return message.empty() ? "no reason given" : message;
}

std::string ImportFailure(const std::string& path, const std::string& message) {
    const std::string file = "'" + path + "'";
    if (message.find("No suitable reader found") != std::string::npos) {
        return "cannot read " + file + ": it is in no format the importer reads";
    }
    if (message.find("MDL sequence file") != std::string::npos) {
        return file +
               " is an MDL sequence file: it holds motion for a model kept in another "
               "file, and no meshes";
    }
    return "cannot read " + file + " as " + FormatName(path) + ": " + OneLine(message);
}

// Why the file cannot even be given to the importer; empty when it can.
std::string FileProblem(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        return "cannot read '" + path + "': there is no such file";
    }
    if (std::filesystem::is_directory(status)) {
        return "'" + path + "' is a folder, not a model file";
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size == 0) return "'" + path + "' is empty";
    return "";
}

bool IsFinite(const aiColor3D& colour) {
    return std::isfinite(colour.r) && std::isfinite(colour.g) && std::isfinite(colour.b);
}

void SetColour(float (&target)[3], const aiColor3D& colour) {
    target[0] = colour.r;
    target[1] = colour.g;
    target[2] = colour.b;
}

// The diffuse texture, else the PBR base colour texture; empty for none.
std::string TextureOf(const aiMaterial& material) {
    for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR}) {
        aiString path;
        if (material.GetTexture(type, 0, &path) == aiReturn_SUCCESS && path.length > 0) {
            return path.C_Str();
        }
    }
    return "";
}

aiColor3D ColourOf(const aiMaterial& material, bool textured) {
    aiColor3D colour;
    if (material.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == aiReturn_SUCCESS && IsFinite(colour)) {
        return colour;
    }
    if (material.Get(AI_MATKEY_BASE_COLOR, colour) == aiReturn_SUCCESS && IsFinite(colour)) {
        return colour;
    }
    return textured ? aiColor3D(1.0f, 1.0f, 1.0f)
                    : aiColor3D(kNeutralGrey, kNeutralGrey, kNeutralGrey);
}

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
    pictures.clear();
    error.clear();
    notes.clear();
    warnings.clear();
    if (!(options.scale > 0.0f) || !std::isfinite(options.scale)) {
        return Fail("the scale must be a positive number");
    }
    const std::string problem = FileProblem(inputPath);
    if (!problem.empty()) return Fail(problem);

    Assimp::Importer importer;
    importer.SetIOHandler(new Utf16TextIOSystem);  // the importer owns it
    // No post-processing that would change the faces: quads must stay quads.
    const aiScene* scene = importer.ReadFile(inputPath, 0);
    if (scene == nullptr) return Fail(ImportFailure(inputPath, importer.GetErrorString()));
    if (scene->mNumMeshes == 0 || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0) {
        return Fail("'" + inputPath + "' has no meshes: " + Contents(*scene));
    }
    if (scene->mMeshes == nullptr || (scene->mNumMaterials > 0 && scene->mMaterials == nullptr) ||
        scene->mRootNode == nullptr) {
        return Fail("'" + inputPath + "' cannot be converted: the importer's scene of it lacks " +
                    (scene->mRootNode == nullptr ? "its root node" : "its meshes or materials"));
    }
    if (OnlyShowsASkeleton(*scene)) {
        return Fail("'" + inputPath + "' has no meshes: " + Contents(*scene));
    }

    NodeDescription root;
    SceneReader reader(*scene, options, model);
    std::string readError;
    if (!reader.ReadNode(*scene->mRootNode, aiMatrix4x4(), root, readError)) {
        return Fail(readError);
    }
    root.name = NodeName(aiString(std::filesystem::path(inputPath).stem().string()));
    model.nodes.push_back(std::move(root));
    if (model.faces.empty()) {
        return Fail("'" + inputPath + "' has no faces to convert: " +
                    (reader.PlacedMeshes() == 0   ? "no node of its scene places any of its meshes"
                     : reader.UnplacedFaces() > 0 ? "their corners are not finite points"
                                                  : "its meshes hold only points and lines"));
    }
    if (reader.SkippedPrimitives() > 0) {
        notes.push_back("left out " + std::to_string(reader.SkippedPrimitives()) +
                        " lines and points: a model file holds only faces");
    }
    if (reader.UnplacedFaces() > 0) {
        notes.push_back("left out " + std::to_string(reader.UnplacedFaces()) +
                        " faces with corners that are not finite points");
    }
    if (reader.FlatFaces() > 0) {
        notes.push_back(std::to_string(reader.FlatFaces()) +
                        " faces have no area: the program never draws them");
    }

    const std::string modelName = options.modelName.empty()
                                      ? std::filesystem::path(inputPath).stem().string()
                                      : options.modelName;
    TextureCollector textures(*scene, inputPath, modelName);
    const aiMaterial none;  // for meshes that name no material of the scene
    for (unsigned m = 0; m <= scene->mNumMaterials; ++m) {
        const std::vector<std::int32_t>& faces = reader.FacesOfMaterial()[m];
        if (faces.empty()) continue;
        const bool known = m < scene->mNumMaterials && scene->mMaterials[m] != nullptr;
        const aiMaterial& source = known ? *scene->mMaterials[m] : none;
        const std::string name = source.GetName().C_Str();
        MaterialDescription material;
        material.faceIndices = faces;

        const std::string texture = TextureOf(source);
        if (!texture.empty()) material.textureIndex = textures.Add(texture);
        SetColour(material.colour, ColourOf(source, material.textureIndex >= 0));
        aiColor3D specular(0.0f, 0.0f, 0.0f);
        source.Get(AI_MATKEY_COLOR_SPECULAR, specular);
        if (!IsFinite(specular)) specular = aiColor3D(0.0f, 0.0f, 0.0f);
        SetColour(material.specular, specular);
        float shininess = 0.0f;
        source.Get(AI_MATKEY_SHININESS, shininess);
        if (!(shininess >= 0.0f)) shininess = 0.0f;
        if (shininess > kMaxShininess) {
            notes.push_back("material '" + name + "': shininess " + Number(shininess) +
                            " is more than OpenGL takes; 128 is used");
            shininess = kMaxShininess;
        }
        material.shininess = shininess;
        model.materials.push_back(std::move(material));
    }
    model.textures = textures.Records();
    pictures = std::move(textures.Pictures());
    warnings = textures.Warnings();

    model.radius = EnclosingRadius(model.vertices);
    return true;
}
