#include "content/tools/modelwriter/ModelWriter.h"

#include <cstring>
#include <fstream>

bool ModelWriter::IsValidName(const std::string& name) {
    return name.size() < kMaxNameBytes && name.find('\0') == std::string::npos;
}

bool ModelWriter::CanWrite(const std::vector<NodeDescription>& list) {
    if (list.empty()) return false;
    for (const NodeDescription& node : list) {
        if (!IsValidName(node.name)) return false;
        if (!node.children.empty() && !CanWrite(node.children)) return false;
    }
    return true;
}

bool ModelWriter::WriteModel(const ModelDescription& model) {
    if (!CanWrite(model.nodes)) return false;
    for (const TextureDescription& texture : model.textures) {
        if (!IsValidName(texture.fileName)) return false;
    }

    WriteF32(model.radius);

    WriteI32(static_cast<std::int32_t>(model.materials.size()));
    for (const MaterialDescription& material : model.materials) {
        WriteF32(material.shininess);
        for (float component : material.specular) WriteF32(component);
        for (float component : material.colour) WriteF32(component);
        WriteI32(material.textureIndex);
        WriteI32(static_cast<std::int32_t>(material.faceIndices.size()));
        for (std::int32_t index : material.faceIndices) WriteI32(index);
    }

    WriteI32(static_cast<std::int32_t>(model.textures.size()));
    for (const TextureDescription& texture : model.textures) {
        WriteString(texture.fileName);
        WriteU16(texture.valueA);
        WriteU16(texture.valueB);
    }

    WriteVectors(model.vertices);
    WriteVectors(model.normals);

    WriteI32(static_cast<std::int32_t>(model.faces.size()));
    for (const FaceDescription& face : model.faces) {
        for (std::int32_t index : face.vertexIndex) WriteI32(index);
        for (std::int32_t index : face.normalIndex) WriteI32(index);
        WriteI32(static_cast<std::int32_t>(face.sets.size()));
        for (const TexCoordSetDescription& set : face.sets) {
            WriteI32(set.tag);
            for (const Vec2& corner : set.corners) {
                WriteF32(corner.x);
                WriteF32(corner.y);
            }
        }
    }

    WriteNodeList(model.nodes);
    return true;
}

void ModelWriter::WriteVectors(const std::vector<Vec3>& vectors) {
    WriteI32(static_cast<std::int32_t>(vectors.size()));
    for (const Vec3& v : vectors) {
        WriteF32(v.x);
        WriteF32(v.y);
        WriteF32(v.z);
    }
}

void ModelWriter::WriteNodeList(const std::vector<NodeDescription>& list) {
    // Depth first: each node, then its whole child list, then its next sibling.
    for (std::size_t i = 0; i < list.size(); ++i) {
        const NodeDescription& node = list[i];
        WriteU8(node.children.empty() ? 0 : 1);
        WriteU8(i + 1 < list.size() ? 1 : 0);
        WriteString(node.name);
        WriteI32(node.id);
        for (std::uint32_t value : node.values) WriteU32(value);
        WriteI32(static_cast<std::int32_t>(node.listA.size()));
        for (std::int32_t value : node.listA) WriteI32(value);
        WriteI32(static_cast<std::int32_t>(node.listB.size()));
        for (std::int32_t value : node.listB) WriteI32(value);
        if (!node.children.empty()) WriteNodeList(node.children);
    }
}

void ModelWriter::WriteU8(std::uint8_t value) {
    bytes.push_back(value);
}

void ModelWriter::WriteU16(std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ModelWriter::WriteU32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

void ModelWriter::WriteI32(std::int32_t value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    WriteU32(bits);
}

void ModelWriter::WriteF32(float value) {
    static_assert(sizeof(float) == 4, "model files hold 32-bit floats");
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    WriteU32(bits);
}

void ModelWriter::WriteString(const std::string& text) {
    WriteBytes(text.data(), text.size());
    bytes.push_back(0);
}

void ModelWriter::WriteBytes(const void* data, std::size_t size) {
    const std::uint8_t* first = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), first, first + size);
}

bool ModelWriter::SaveToFile(const std::string& path) const {
    return SaveBytesToFile(path, bytes);
}

bool SaveBytesToFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file.is_open()) return false;
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}
