// The program's binary readers as they were first written: the buffered reader value by value,
// the TGA decoder and the model loader on top of it. The loader equivalence test runs them
// beside the real ones on the same files; whatever is done to make the real ones faster, both
// must accept and refuse the same files, with the same reasons, and deliver the same contents.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "render/Model.h"
#include "render/TgaImage.h"

namespace reference {

class BinaryReader {
public:
    static constexpr int kWindowSize = 1024;

    BinaryReader();
    ~BinaryReader();
    BinaryReader(const BinaryReader&) = delete;
    BinaryReader& operator=(const BinaryReader&) = delete;

    // Opens the file in binary mode, for input when forReading is true and for
    // output otherwise. Opened for reading, the window holds the first 1024
    // bytes of the file (fewer if it is shorter). False when it cannot be opened.
    bool Open(const char* fileName, bool forReading);
    void ReadU8(std::uint8_t& value);
    void ReadU16(std::uint16_t& value);
    // Also the way to read signed 32-bit integers and single floats.
    void ReadU32(std::uint32_t& value);
    // Copies the NUL-terminated string at the read position, terminator
    // included, into buffer (maxBytes long) and moves past it. Without a NUL in
    // its first maxBytes bytes the string is cut to maxBytes - 1 characters,
    // maxBytes bytes are skipped and the reader fails.
    void ReadString(char* buffer, int maxBytes);
    // Closes the file; a writer first writes what is pending in its window.
    void Close();

    // True once a read ran past the end of the file's data or met a string
    // without its terminator. Cleared by Open.
    bool Failed() const { return failed; }
    // Bytes of the file after the read position; 0 past the end.
    std::int64_t RemainingBytes() const;
    // Read position inside the window, 0..1024.
    int GetPosition() const { return position; }

private:
    // Makes sure the window holds byteCount bytes from the read position on.
    void Refill(int byteCount);
    // Refills for byteCount bytes, copies them out and advances past them.
    void Take(std::uint8_t* out, int byteCount);

    std::fstream file;
    std::uint8_t window[kWindowSize];
    int position = 0;
    bool forReading = false;
    int validBytes = 0;            // file data in the window; zeros follow it
    std::int64_t windowStart = 0;  // file offset of window[0]
    std::int64_t fileSize = 0;
    bool failed = false;
};

// What TgaImage::Load made of a file.
struct DecodedTga {
    bool loaded = false;
    TgaHeader header;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<std::uint8_t> pixels;
};

DecodedTga DecodeTga(const char* fileName);

class Model {
public:
    Model() = default;
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    bool Load(const char* fileName);
    void Unload();
    int GetMaterialCount() const { return materialCount; }
    Material* GetMaterials() const { return materials; }
    int GetVertexCount() const { return vertexCount; }
    Vec3* GetVertices() const { return vertices; }
    int GetNormalCount() const { return normalCount; }
    Vec3* GetNormals() const { return normals; }
    int GetTextureCount() const { return textureCount; }
    TextureRecord* GetTextures() const { return textures; }
    int GetFaceCount() const { return faceCount; }
    Face* GetFaces() const { return faces; }
    float GetRadius() const { return radius; }
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

    std::string failureReason;
};

}  // namespace reference
