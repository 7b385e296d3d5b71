// A loaded model file: quads over shared vertex and normal arrays, grouped by
// material, the names of its texture files and a tree of named nodes.
//
// The file, little-endian, sections back to back:
//   radius f32
//   materials   i32 count; each: shininess, specular rgb, colour rgb (f32),
//               texture index i32 (-1: none), i32 count + that many face indices
//   textures    i32 count; each: file name (NUL-terminated, at most 128 bytes
//               with the NUL), u16 value A, u16 value B
//   vertices    i32 count; each: x, y, z f32
//   normals     i32 count; each: x, y, z f32
//   faces       i32 count; each: 4 vertex indices, 4 normal indices (i32),
//               i32 set count; each set: i32 tag, then u, v f32 per corner
//   nodes       one sibling list, depth first; each node: u8 has-child,
//               u8 has-next, name, i32 id, nine 32-bit values, i32 count A +
//               values, i32 count B + values, then its child list if any, then
//               its next sibling if any
//
// Arrays are raw and owned by the model, so that drawing instances can copy a
// Material whole and share its face-index array; every array is null when its
// count is 0.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "math/Vec2.h"
#include "math/Vec3.h"
#include "render/ModelBase.h"

// Longest name in a model file, terminator included.
constexpr int kModelNameSize = 128;

struct Material {
    float colour[3] = {0.0f, 0.0f, 0.0f};
    float shininess = 0.0f;
    float specular[3] = {0.0f, 0.0f, 0.0f};
    int textureIndex = -1;  // into the model's texture records; -1 for none
    int faceCount = 0;
    int* faceIndices = nullptr;  // into the model's faces; owned by the model
};

// One texture file of a model. The model file gives the name and the two
// values; the texture upload reads the modes and the key and sets glName.
struct TextureRecord {
    char fileName[kModelNameSize] = {};
    std::uint16_t valueA = 0;
    std::uint16_t valueB = 0;
    std::uint32_t glName = 0;               // OpenGL texture name; 0 until uploaded
    std::int32_t uploadMode = 0;            // 0 mipmapped, 1 single level, others nothing
    std::int32_t alphaMode = 0;             // how an alpha channel is derived; 0 none
    std::uint8_t colourKey[3] = {0, 0, 0};  // red, green, blue keyed out by alpha mode 1
};

// Texture coordinates for the four corners of a face.
struct TexCoordSet {
    int tag = 0;
    Vec2 corners[4];  // u, v per corner
};

struct Face {
    int vertexIndex[4] = {0, 0, 0, 0};  // corners in drawing order
    int normalIndex[4] = {0, 0, 0, 0};
    int setCount = 0;
    TexCoordSet* sets = nullptr;  // drawing uses the first; the model owns them
};

struct ModelNode {
    ModelNode* firstChild = nullptr;   // owned
    ModelNode* nextSibling = nullptr;  // owned
    std::uint32_t values[9] = {};      // kept as read
    int countA = 0;
    int* listA = nullptr;
    int countB = 0;
    int* listB = nullptr;
    int id = 0;
    char name[kModelNameSize] = {};
};

class BinaryReader;

class Model : public ModelBase {
public:
    Model() = default;
    ~Model() override;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    bool Load(const char* fileName) override;
    void Unload() override;
    int GetMaterialCount() const override { return materialCount; }
    Material* GetMaterials() const override { return materials; }
    int GetVertexCount() const override { return vertexCount; }
    Vec3* GetVertices() const override { return vertices; }
    int GetNormalCount() const override { return normalCount; }
    Vec3* GetNormals() const override { return normals; }
    int GetTextureCount() const override { return textureCount; }
    TextureRecord* GetTextures() const override { return textures; }
    int GetFaceCount() const override { return faceCount; }
    Face* GetFaces() const override { return faces; }
    float GetRadius() const override { return radius; }
    // The OpenGL name of texture record index; 0 for an index outside the records.
    virtual std::uint32_t GetTextureName(int index) const;
    // Why the last Load refused its file, in words for a person; empty after
    // a Load that succeeded.
    const char* FailureReason() const { return failureReason.c_str(); }

    // The loaded contents, open to inspection; only Load and Unload change them.
    Material* materials = nullptr;
    int materialCount = 0;
    TextureRecord* textures = nullptr;
    int textureCount = 0;
    Vec3* vertices = nullptr;
    int vertexCount = 0;
    Vec3* normals = nullptr;
    int normalCount = 0;
    Face* faces = nullptr;
    int faceCount = 0;
    ModelNode* nodeTree = nullptr;         // first node of the root list
    std::map<int, const char*> nodeIndex;  // id -> name of the last node with it
    float radius = 0.0f;

private:
    // Records why the file is refused; always false, for returning.
    bool Refuse(const std::string& reason);
    // Whether a count passes CheckCount, without building its refusal.
    static bool CountFits(const BinaryReader& reader, int count, std::int64_t bytesEach);
    // Refuses a count (what names it) when the reader ran out, when it is
    // negative or when even elements of bytesEach could not fit in the rest
    // of the file, so a bad count never asks for more memory than the file fills.
    bool CheckCount(const BinaryReader& reader, int count, std::int64_t bytesEach,
                    const char* what);
    // Reads a count and that many integers into a new array (null for none).
    bool ReadIntList(BinaryReader& reader, int*& list, int& count, const std::string& what);
    // Reads a name and tells a missing terminator from the end of the file.
    bool ReadName(BinaryReader& reader, char* name, const std::string& what);
    bool ReadMaterials(BinaryReader& reader);
    bool ReadTextures(BinaryReader& reader);
    // what is "vertex" or "normal", for the refusal.
    bool ReadVectors(BinaryReader& reader, Vec3*& array, int& count, const char* what);
    bool ReadFaces(BinaryReader& reader);
    // Reads the root sibling list and everything below it into nodeTree.
    bool ReadNodes(BinaryReader& reader);
    // One node's own fields; the flags tell what follows it.
    bool ReadNode(BinaryReader& reader, ModelNode& node, int number, bool& hasChild, bool& hasNext);
    // The nodes are freed without recursion: a file may nest them deeply.
    void FreeNodes();
    // Every index names an element that exists.
    bool IndicesAreInRange();
    // Whether the face's corners name existing vertices and normals.
    bool CornersInRange(const Face& face) const;

    // Room for the count coordinate sets of a face from the current set
    // block, starting a new block when it is full (facesLeft, this one
    // included, sizes it); null when there is no memory.
    TexCoordSet* TakeSets(int count, int facesLeft);

    std::string failureReason;
    // The first face ReadFaces met with a corner outside the vertices or
    // normals (faceCount when none): the range check need not go over the
    // faces before it again.
    int firstFaceOutOfRange = 0;
    // The faces' coordinate sets live in a few large blocks rather than in an
    // allocation per face; each face's sets are contiguous in one block.
    std::vector<std::unique_ptr<TexCoordSet[]>> setBlocks;
    int setBlockSize = 0;     // of the last block
    int setsUsedInBlock = 0;  // of the last block
};
