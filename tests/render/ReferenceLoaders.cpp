// A faithful copy of the binary reader, the TGA decoder and the model loader as first written
// (see the header).
#include "tests/render/ReferenceLoaders.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace reference {

BinaryReader::BinaryReader() {
    std::memset(window, 0, sizeof(window));
}

BinaryReader::~BinaryReader() {
    Close();
}

bool BinaryReader::Open(const char* fileName, bool forReading) {
    Close();
    this->forReading = forReading;
    position = 0;
    validBytes = 0;
    windowStart = 0;
    fileSize = 0;
    failed = false;
    std::memset(window, 0, sizeof(window));
    if (fileName == nullptr) return false;

    const std::ios::openmode mode = forReading ? std::ios::in | std::ios::binary
                                               : std::ios::out | std::ios::binary | std::ios::trunc;
    file.open(fileName, mode);
    if (!file.is_open()) return false;
    if (!forReading) return true;

    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    fileSize = end > 0 ? static_cast<std::int64_t>(end) : 0;
    file.seekg(0, std::ios::beg);

    file.read(reinterpret_cast<char*>(window), kWindowSize);
    validBytes = static_cast<int>(file.gcount());
    file.clear();
    return true;
}

void BinaryReader::Refill(int byteCount) {
    if (position + byteCount < kWindowSize) return;

    // The unread tail moves to the front and the file fills the rest. Once the
    // tail holds the zeros after the end of the data, there is nothing left to read.
    const int tail = kWindowSize - position;
    const int tailValid = std::max(0, validBytes - position);
    std::memmove(window, window + position, static_cast<std::size_t>(tail));
    int newValid = tailValid;
    if (tailValid == tail && forReading && file.is_open() && position > 0) {
        file.read(reinterpret_cast<char*>(window + tail), position);
        newValid = tail + static_cast<int>(file.gcount());
        file.clear();
    }
    std::memset(window + newValid, 0, static_cast<std::size_t>(kWindowSize - newValid));
    validBytes = newValid;
    windowStart += position;
    position = 0;
}

void BinaryReader::Take(std::uint8_t* out, int byteCount) {
    Refill(byteCount);
    std::memcpy(out, window + position, static_cast<std::size_t>(byteCount));
    position += byteCount;
    if (position > validBytes) failed = true;
}

void BinaryReader::ReadU8(std::uint8_t& value) {
    Take(&value, 1);
}

void BinaryReader::ReadU16(std::uint16_t& value) {
    std::uint8_t bytes[2];
    Take(bytes, 2);
    value = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

void BinaryReader::ReadU32(std::uint32_t& value) {
    std::uint8_t bytes[4];
    Take(bytes, 4);
    value = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
            (static_cast<std::uint32_t>(bytes[2]) << 16) |
            (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void BinaryReader::ReadString(char* buffer, int maxBytes) {
    if (buffer == nullptr || maxBytes < 1) {
        failed = true;
        return;
    }
    // The window can look ahead at most its own size.
    const int limit = std::min(maxBytes, kWindowSize);
    Refill(limit);
    const std::uint8_t* start = window + position;
    const void* terminator = std::memchr(start, 0, static_cast<std::size_t>(limit));
    if (terminator == nullptr) {
        std::memcpy(buffer, start, static_cast<std::size_t>(limit - 1));
        buffer[limit - 1] = '\0';
        position += limit;
        failed = true;
        return;
    }
    const int length = static_cast<int>(static_cast<const std::uint8_t*>(terminator) - start);
    std::memcpy(buffer, start, static_cast<std::size_t>(length + 1));
    position += length + 1;
    if (position > validBytes) failed = true;
}

void BinaryReader::Close() {
    if (!file.is_open()) return;
    if (!forReading && position > 0) {
        file.write(reinterpret_cast<const char*>(window), position);
        position = 0;
    }
    file.close();
}

std::int64_t BinaryReader::RemainingBytes() const {
    if (!forReading) return 0;
    return std::max<std::int64_t>(0, fileSize - (windowStart + position));
}

namespace {

// A run-length packet covers at most this many pixels.
constexpr std::int64_t kMostPixelsPerPacket = 128;

void ReadPixel(BinaryReader& reader, std::uint8_t* pixel, int bytesPerPixel) {
    for (int i = 0; i < bytesPerPixel; ++i) reader.ReadU8(pixel[i]);
}

// Uncompressed: the pixels one after another.
bool ReadUncompressed(BinaryReader& reader, std::uint8_t* pixels, std::int64_t count,
                      int bytesPerPixel) {
    for (std::int64_t i = 0; i < count; ++i) {
        ReadPixel(reader, pixels + i * bytesPerPixel, bytesPerPixel);
        if (reader.Failed()) return false;
    }
    return true;
}

// Run-length: packets until every pixel is filled. A packet reaching past
// the last pixel is cut there.
bool ReadRunLength(BinaryReader& reader, std::uint8_t* pixels, std::int64_t count,
                   int bytesPerPixel) {
    std::int64_t filled = 0;
    while (filled < count) {
        std::uint8_t packet = 0;
        reader.ReadU8(packet);
        std::int64_t length = packet >= 128 ? packet - 127 : packet + 1;
        if (length > count - filled) length = count - filled;
        std::uint8_t* next = pixels + filled * bytesPerPixel;
        if (packet >= 128) {
            ReadPixel(reader, next, bytesPerPixel);
            const std::size_t pixelSize = static_cast<std::size_t>(bytesPerPixel);
            for (std::int64_t i = 1; i < length; ++i) {
                std::memcpy(next + i * bytesPerPixel, next, pixelSize);
            }
        } else {
            for (std::int64_t i = 0; i < length; ++i) {
                ReadPixel(reader, next + i * bytesPerPixel, bytesPerPixel);
            }
        }
        filled += length;
        // A stream that ends early would otherwise go on as zeros.
        if (reader.Failed()) return false;
    }
    return true;
}

}  // namespace

namespace {

void ReadHeader(BinaryReader& reader, TgaHeader& header) {
    std::uint16_t value = 0;
    reader.ReadU8(header.idLength);
    reader.ReadU8(header.colourMapType);
    reader.ReadU8(header.imageType);
    reader.ReadU16(header.colourMapFirstEntry);
    reader.ReadU16(header.colourMapLength);
    reader.ReadU8(header.colourMapEntrySize);
    reader.ReadU16(header.xOrigin);
    reader.ReadU16(header.yOrigin);
    reader.ReadU16(value);
    header.width = static_cast<std::int16_t>(value);
    reader.ReadU16(value);
    header.height = static_cast<std::int16_t>(value);
    reader.ReadU8(header.pixelDepth);
    reader.ReadU8(header.imageDescriptor);
}

bool HeaderIsAccepted(const TgaHeader& header) {
    return header.colourMapType == 0 &&
           (header.imageType == TgaImage::kUncompressed ||
            header.imageType == TgaImage::kRunLength) &&
           header.xOrigin == 0 && header.yOrigin == 0 && header.width >= 1 && header.height >= 1 &&
           header.pixelDepth >= 16;
}

}  // namespace

DecodedTga DecodeTga(const char* fileName) {
    DecodedTga result;
    TgaHeader& header = result.header;
    BinaryReader reader;
    if (!reader.Open(fileName, true)) return result;

    ReadHeader(reader, header);
    for (int i = 0; i < header.idLength; ++i) {
        std::uint8_t skipped = 0;
        reader.ReadU8(skipped);
    }
    if (reader.Failed() || !HeaderIsAccepted(header)) return result;

    const int bytesPerPixel = Image::BytesPerPixel(header.pixelDepth);
    const std::int64_t count = static_cast<std::int64_t>(header.width) * header.height;
    const std::int64_t size = count * bytesPerPixel;
    const std::int64_t leastFileBytes =
        header.imageType == TgaImage::kUncompressed
            ? size
            : (count + kMostPixelsPerPacket - 1) / kMostPixelsPerPacket * (1 + bytesPerPixel);
    if (leastFileBytes > reader.RemainingBytes()) return result;

    std::vector<std::uint8_t> decoded(static_cast<std::size_t>(size));
    const bool complete = header.imageType == TgaImage::kUncompressed
                              ? ReadUncompressed(reader, decoded.data(), count, bytesPerPixel)
                              : ReadRunLength(reader, decoded.data(), count, bytesPerPixel);
    reader.Close();
    if (!complete) return result;
    result.loaded = true;
    result.width = header.width;
    result.height = header.height;
    result.bitsPerPixel = header.pixelDepth;
    result.pixels = std::move(decoded);
    return result;
}

namespace {

// The fewest bytes each element takes in the file. A count is refused when
// even elements this small would not fit in the rest of the file, so a bad
// count can never ask for more memory than the file could fill.
constexpr std::int64_t kMaterialBytes = 7 * 4 + 4 + 4;  // floats, texture index, face count
constexpr std::int64_t kTextureBytes = 1 + 2 + 2;       // empty name, two u16
constexpr std::int64_t kVectorBytes = 3 * 4;
constexpr std::int64_t kFaceBytes = 8 * 4 + 4;         // indices, set count
constexpr std::int64_t kTexCoordSetBytes = 4 + 8 * 4;  // tag, u and v per corner
constexpr std::int64_t kIndexBytes = 4;

int ReadI32(BinaryReader& reader) {
    std::uint32_t bits = 0;
    reader.ReadU32(bits);
    int value = 0;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

float ReadF32(BinaryReader& reader) {
    std::uint32_t bits = 0;
    reader.ReadU32(bits);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

// "index 9 of face 3 is outside the 8 vertices"
std::string OutsideReason(const char* what, int index, const char* owner, int ownerNumber,
                          int count, const char* elements) {
    return std::string(what) + " " + std::to_string(index) + " of " + owner + " " +
           std::to_string(ownerNumber) + " is outside the " + std::to_string(count) + " " +
           elements;
}

}  // namespace

Model::~Model() {
    Unload();
    nodeIndex.clear();
}

bool Model::Load(const char* fileName) {
    Unload();
    failureReason.clear();
    BinaryReader reader;
    if (!reader.Open(fileName, true)) return Refuse("the file cannot be opened");

    radius = ReadF32(reader);
    const bool loaded = ReadMaterials(reader) && ReadTextures(reader) &&
                        ReadVectors(reader, vertices, vertexCount, "vertex") &&
                        ReadVectors(reader, normals, normalCount, "normal") && ReadFaces(reader) &&
                        ReadNodes(reader) && IndicesAreInRange();
    reader.Close();
    if (!loaded) {
        Unload();
        return false;
    }
    return true;
}

bool Model::Refuse(const std::string& reason) {
    failureReason = reason;
    return false;
}

bool Model::CheckCount(const BinaryReader& reader, int count, std::int64_t bytesEach,
                       const char* what) {
    if (reader.Failed()) return Refuse(std::string("the file ends before the ") + what);
    if (count < 0) {
        return Refuse(std::string("the ") + what + " is negative (" + std::to_string(count) + ")");
    }
    const std::int64_t remaining = reader.RemainingBytes();
    if (static_cast<std::int64_t>(count) * bytesEach > remaining) {
        return Refuse(std::string("the ") + what + " (" + std::to_string(count) +
                      ") needs more than the " + std::to_string(remaining) +
                      " bytes left in the file");
    }
    return true;
}

bool Model::ReadIntList(BinaryReader& reader, int*& list, int& count, const std::string& what) {
    const int n = ReadI32(reader);
    if (!CheckCount(reader, n, kIndexBytes, what.c_str())) return false;
    if (n == 0) return true;
    list = new (std::nothrow) int[n];
    if (list == nullptr) return Refuse("out of memory for the values after the " + what);
    count = n;
    for (int i = 0; i < n; ++i) list[i] = ReadI32(reader);
    return true;
}

bool Model::ReadName(BinaryReader& reader, char* name, const std::string& what) {
    // Unterminated when all 128 bytes were there and none was a NUL;
    // otherwise the file ended first.
    const bool wholeWindow = reader.RemainingBytes() >= kModelNameSize;
    reader.ReadString(name, kModelNameSize);
    if (!reader.Failed()) return true;
    if (wholeWindow) {
        return Refuse(what + " has no terminator within " + std::to_string(kModelNameSize) +
                      " bytes");
    }
    return Refuse("the file ends inside " + what);
}

bool Model::ReadMaterials(BinaryReader& reader) {
    const int count = ReadI32(reader);
    if (!CheckCount(reader, count, kMaterialBytes, "material count")) return false;
    if (count == 0) return true;
    materials = new (std::nothrow) Material[count];
    if (materials == nullptr) return Refuse("out of memory for the materials");
    materialCount = count;

    for (int i = 0; i < count; ++i) {
        Material& material = materials[i];
        material.shininess = ReadF32(reader);
        for (float& component : material.specular) component = ReadF32(reader);
        for (float& component : material.colour) component = ReadF32(reader);
        material.textureIndex = ReadI32(reader);
        const std::string what = "face count of material " + std::to_string(i);
        if (!ReadIntList(reader, material.faceIndices, material.faceCount, what)) return false;
    }
    if (reader.Failed()) return Refuse("the file ends inside the materials");
    return true;
}

bool Model::ReadTextures(BinaryReader& reader) {
    const int count = ReadI32(reader);
    if (!CheckCount(reader, count, kTextureBytes, "texture record count")) return false;
    if (count == 0) return true;
    // Value-initialised: the upload fields hold their defaults (no GL name,
    // mipmapped, no alpha, black key) until the texture path changes them.
    textures = new (std::nothrow) TextureRecord[count];
    if (textures == nullptr) return Refuse("out of memory for the texture records");
    textureCount = count;

    for (int i = 0; i < count; ++i) {
        TextureRecord& record = textures[i];
        const std::string what = "the file name of texture record " + std::to_string(i);
        if (!ReadName(reader, record.fileName, what)) return false;
        reader.ReadU16(record.valueA);
        reader.ReadU16(record.valueB);
        if (reader.Failed()) return Refuse("the file ends inside the texture records");
    }
    return true;
}

bool Model::ReadVectors(BinaryReader& reader, Vec3*& array, int& count, const char* what) {
    const int n = ReadI32(reader);
    if (!CheckCount(reader, n, kVectorBytes, (std::string(what) + " count").c_str())) {
        return false;
    }
    if (n == 0) return true;
    array = new (std::nothrow) Vec3[n];  // every vector starts at (0, 0, 0)
    if (array == nullptr) return Refuse(std::string("out of memory for the ") + what + "s");
    count = n;

    for (int i = 0; i < n; ++i) {
        array[i].x = ReadF32(reader);
        array[i].y = ReadF32(reader);
        array[i].z = ReadF32(reader);
    }
    if (reader.Failed()) return Refuse(std::string("the file ends inside the ") + what + "s");
    return true;
}

bool Model::ReadFaces(BinaryReader& reader) {
    const int count = ReadI32(reader);
    if (!CheckCount(reader, count, kFaceBytes, "face count")) return false;
    if (count == 0) return true;
    faces = new (std::nothrow) Face[count];
    if (faces == nullptr) return Refuse("out of memory for the faces");
    faceCount = count;

    for (int i = 0; i < count; ++i) {
        Face& face = faces[i];
        for (int& index : face.vertexIndex) index = ReadI32(reader);
        for (int& index : face.normalIndex) index = ReadI32(reader);
        const int setCount = ReadI32(reader);
        const std::string what = "coordinate set count of face " + std::to_string(i);
        if (!CheckCount(reader, setCount, kTexCoordSetBytes, what.c_str())) return false;
        if (setCount == 0) continue;
        face.sets = new (std::nothrow) TexCoordSet[setCount];
        if (face.sets == nullptr) return Refuse("out of memory for the coordinate sets");
        face.setCount = setCount;
        for (int s = 0; s < setCount; ++s) {
            TexCoordSet& set = face.sets[s];
            set.tag = ReadI32(reader);
            for (Vec2& corner : set.corners) {
                corner.x = ReadF32(reader);
                corner.y = ReadF32(reader);
            }
        }
    }
    if (reader.Failed()) return Refuse("the file ends inside the faces");
    return true;
}

bool Model::ReadNodes(BinaryReader& reader) {
    // The file holds the tree depth first: a node, its child list, then its
    // next sibling. Nodes whose sibling must wait for their subtree are kept
    // on a stack instead of in recursive calls, so deep nesting cannot exhaust
    // the call stack. Every node takes file bytes, so the loop ends with the file.
    std::vector<ModelNode*> waitingForSibling;
    ModelNode** slot = &nodeTree;
    for (int number = 0;; ++number) {
        ModelNode* node = new (std::nothrow) ModelNode;
        if (node == nullptr) return Refuse("out of memory for the nodes");
        *slot = node;
        bool hasChild = false;
        bool hasNext = false;
        if (!ReadNode(reader, *node, number, hasChild, hasNext)) return false;
        nodeIndex[node->id] = node->name;  // a later node with the same id wins

        if (hasChild) {
            if (hasNext) waitingForSibling.push_back(node);
            slot = &node->firstChild;
        } else if (hasNext) {
            slot = &node->nextSibling;
        } else if (!waitingForSibling.empty()) {
            slot = &waitingForSibling.back()->nextSibling;
            waitingForSibling.pop_back();
        } else {
            return true;
        }
    }
}

bool Model::ReadNode(BinaryReader& reader, ModelNode& node, int number, bool& hasChild,
                     bool& hasNext) {
    // Nodes are numbered in file order, the way a person counts them in the file.
    const std::string what = "node " + std::to_string(number);
    std::uint8_t childFlag = 0;
    std::uint8_t nextFlag = 0;
    reader.ReadU8(childFlag);
    reader.ReadU8(nextFlag);
    if (reader.Failed()) return Refuse("the file ends before " + what);
    if (!ReadName(reader, node.name, "the name of " + what)) return false;
    node.id = ReadI32(reader);
    for (std::uint32_t& value : node.values) reader.ReadU32(value);
    if (!ReadIntList(reader, node.listA, node.countA, "list A count of " + what)) return false;
    if (!ReadIntList(reader, node.listB, node.countB, "list B count of " + what)) return false;
    if (reader.Failed()) return Refuse("the file ends inside " + what);
    hasChild = childFlag != 0;
    hasNext = nextFlag != 0;
    return true;
}

bool Model::IndicesAreInRange() {
    for (int i = 0; i < materialCount; ++i) {
        const Material& material = materials[i];
        if (material.textureIndex != -1 && !InRange(material.textureIndex, textureCount)) {
            return Refuse(OutsideReason("texture index", material.textureIndex, "material", i,
                                        textureCount, "texture records"));
        }
        for (int f = 0; f < material.faceCount; ++f) {
            if (!InRange(material.faceIndices[f], faceCount)) {
                return Refuse(OutsideReason("face index", material.faceIndices[f], "material", i,
                                            faceCount, "faces"));
            }
        }
    }
    for (int i = 0; i < faceCount; ++i) {
        for (int corner = 0; corner < 4; ++corner) {
            if (!InRange(faces[i].vertexIndex[corner], vertexCount)) {
                return Refuse(OutsideReason("vertex index", faces[i].vertexIndex[corner], "face", i,
                                            vertexCount, "vertices"));
            }
            if (!InRange(faces[i].normalIndex[corner], normalCount)) {
                return Refuse(OutsideReason("normal index", faces[i].normalIndex[corner], "face", i,
                                            normalCount, "normals"));
            }
        }
    }
    return true;
}

void Model::Unload() {
    for (int i = 0; i < materialCount; ++i) delete[] materials[i].faceIndices;
    delete[] materials;
    materials = nullptr;
    materialCount = 0;

    delete[] textures;
    textures = nullptr;
    textureCount = 0;

    delete[] vertices;
    vertices = nullptr;
    vertexCount = 0;
    delete[] normals;
    normals = nullptr;
    normalCount = 0;

    for (int i = 0; i < faceCount; ++i) delete[] faces[i].sets;
    delete[] faces;
    faces = nullptr;
    faceCount = 0;

    // The index points into the nodes' names: it goes with them.
    nodeIndex.clear();
    FreeNodes();
    radius = 0.0f;
}

void Model::FreeNodes() {
    // Walks the sibling chain, splicing each child list into the chain ahead
    // of the node's next sibling: the work stays proportional to the number of
    // nodes and nothing is allocated.
    ModelNode* node = nodeTree;
    nodeTree = nullptr;
    while (node != nullptr) {
        if (node->firstChild != nullptr) {
            ModelNode* last = node->firstChild;
            while (last->nextSibling != nullptr) last = last->nextSibling;
            last->nextSibling = node->nextSibling;
            node->nextSibling = node->firstChild;
            node->firstChild = nullptr;
        }
        ModelNode* next = node->nextSibling;
        delete[] node->listA;
        delete[] node->listB;
        delete node;
        node = next;
    }
}

}  // namespace reference
