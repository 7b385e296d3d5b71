// Writes model files for the program to load: from a whole description, or
// value by value for files put together by hand. Content tools and tests use
// it; the program itself only reads models.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "math/Vec2.h"
#include "math/Vec3.h"

struct MaterialDescription {
    float shininess = 0.0f;
    float specular[3] = {0.0f, 0.0f, 0.0f};
    float colour[3] = {0.0f, 0.0f, 0.0f};
    std::int32_t textureIndex = -1;
    std::vector<std::int32_t> faceIndices;
};

struct TextureDescription {
    std::string fileName;
    std::uint16_t valueA = 0;
    std::uint16_t valueB = 0;
};

struct TexCoordSetDescription {
    std::int32_t tag = 0;
    Vec2 corners[4];
};

struct FaceDescription {
    std::int32_t vertexIndex[4] = {0, 0, 0, 0};
    std::int32_t normalIndex[4] = {0, 0, 0, 0};
    std::vector<TexCoordSetDescription> sets;
};

// A quad over four vertices, one normal for every corner, without coordinate sets.
inline FaceDescription QuadFace(std::int32_t v0, std::int32_t v1, std::int32_t v2, std::int32_t v3,
                                std::int32_t normal) {
    FaceDescription face;
    const std::int32_t corners[4] = {v0, v1, v2, v3};
    for (int k = 0; k < 4; ++k) {
        face.vertexIndex[k] = corners[k];
        face.normalIndex[k] = normal;
    }
    return face;
}

struct NodeDescription {
    std::string name;
    std::int32_t id = 0;
    std::uint32_t values[9] = {};
    std::vector<std::int32_t> listA;
    std::vector<std::int32_t> listB;
    std::vector<NodeDescription> children;
};

// A node with a name, an id and children, its other values zero.
inline NodeDescription NamedNode(const std::string& name, std::int32_t id,
                                 std::vector<NodeDescription> children = {}) {
    NodeDescription node;
    node.name = name;
    node.id = id;
    node.children = std::move(children);
    return node;
}

struct ModelDescription {
    float radius = 0.0f;
    std::vector<MaterialDescription> materials;
    std::vector<TextureDescription> textures;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
    std::vector<FaceDescription> faces;
    std::vector<NodeDescription> nodes;  // the root list: at least one node
};

class ModelWriter {
public:
    // Longest name a model file can hold, terminator included.
    static constexpr std::size_t kMaxNameBytes = 128;

    // Appends a whole model. False, with nothing appended, when the file
    // format cannot express the description: an empty root list, or a name
    // of 128 bytes or more or with a NUL inside.
    bool WriteModel(const ModelDescription& model);

    // Single values, little-endian.
    void WriteU8(std::uint8_t value);
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
    void WriteI32(std::int32_t value);
    void WriteF32(float value);
    // The characters, then a NUL.
    void WriteString(const std::string& text);
    void WriteBytes(const void* data, std::size_t size);

    const std::vector<std::uint8_t>& Bytes() const { return bytes; }
    void Clear() { bytes.clear(); }
    // Writes everything appended so far to the file, replacing it.
    bool SaveToFile(const std::string& path) const;

private:
    static bool CanWrite(const std::vector<NodeDescription>& list);
    static bool IsValidName(const std::string& name);
    void WriteVectors(const std::vector<Vec3>& vectors);
    void WriteNodeList(const std::vector<NodeDescription>& list);

    std::vector<std::uint8_t> bytes;
};

// Writes the bytes to the file, replacing it; false when it cannot be opened or written.
bool SaveBytesToFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
