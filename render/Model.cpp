#include "render/Model.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "render/BinaryReader.h"

static_assert(sizeof(int) == 4, "model files hold 32-bit integers");
static_assert(sizeof(float) == 4, "model files hold 32-bit floats");
// Arrays of these are read word by word straight into place.
static_assert(sizeof(Vec3) == 3 * 4, "a vertex is three floats");
static_assert(sizeof(TexCoordSet) == 9 * 4, "a coordinate set is a tag and eight floats");
// The face array is raw storage, each face made in place as it is read.
static_assert(std::is_trivially_destructible<Face>::value, "faces are freed as storage");

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

// Reads count 4-byte little-endian values into memory made of 32-bit fields
// (ints, floats, or structs of them), in one block.
void ReadWords(BinaryReader& reader, void* fields, std::int64_t count) {
    std::uint8_t* bytes = static_cast<std::uint8_t*>(fields);
    reader.ReadBytes(bytes, count * 4);
    for (std::int64_t i = 0; i < count; ++i) {
        std::uint8_t* word = bytes + 4 * i;
        const std::uint32_t value = static_cast<std::uint32_t>(word[0]) |
                                    (static_cast<std::uint32_t>(word[1]) << 8) |
                                    (static_cast<std::uint32_t>(word[2]) << 16) |
                                    (static_cast<std::uint32_t>(word[3]) << 24);
        std::memcpy(word, &value, 4);
    }
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

bool Model::CountFits(const BinaryReader& reader, int count, std::int64_t bytesEach) {
    return !reader.Failed() && count >= 0 &&
           static_cast<std::int64_t>(count) * bytesEach <= reader.RemainingBytes();
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
    ReadWords(reader, list, n);
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

    ReadWords(reader, array, 3 * static_cast<std::int64_t>(n));
    if (reader.Failed()) return Refuse(std::string("the file ends inside the ") + what + "s");
    return true;
}

bool Model::ReadFaces(BinaryReader& reader) {
    const int count = ReadI32(reader);
    if (!CheckCount(reader, count, kFaceBytes, "face count")) return false;
    if (count == 0) return true;
    // Each face is made in place as it is read: constructing the whole array
    // first would write all of it twice.
    faces = static_cast<Face*>(
        ::operator new[](sizeof(Face) * static_cast<std::size_t>(count), std::nothrow));
    if (faces == nullptr) return Refuse("out of memory for the faces");
    faceCount = count;
    firstFaceOutOfRange = count;

    for (int i = 0; i < count; ++i) {
        Face& face = *new (faces + i) Face;
        // Four vertex indices, four normal indices and the set count.
        std::int32_t record[9];
        ReadWords(reader, record, 9);
        std::memcpy(face.vertexIndex, record, sizeof(face.vertexIndex));
        std::memcpy(face.normalIndex, record + 4, sizeof(face.normalIndex));
        const int setCount = record[8];
        if (firstFaceOutOfRange == faceCount && !CornersInRange(face)) firstFaceOutOfRange = i;
        if (!CountFits(reader, setCount, kTexCoordSetBytes)) {
            const std::string what = "coordinate set count of face " + std::to_string(i);
            return CheckCount(reader, setCount, kTexCoordSetBytes, what.c_str());
        }
        if (setCount == 0) continue;
        face.sets = TakeSets(setCount, count - i);
        if (face.sets == nullptr) return Refuse("out of memory for the coordinate sets");
        face.setCount = setCount;
        ReadWords(reader, face.sets, 9 * static_cast<std::int64_t>(setCount));
    }
    if (reader.Failed()) return Refuse("the file ends inside the faces");
    return true;
}

TexCoordSet* Model::TakeSets(int count, int facesLeft) {
    // A new block holds this face's sets and as many more as the faces left
    // would need if they were like it, up to a limit.
    // 36 KiB: well under the size for which the C library maps a block of its own.
    constexpr std::int64_t kSetsPerBlock = 1024;
    if (setBlocks.empty() || count > setBlockSize - setsUsedInBlock) {
        const std::int64_t size = std::max<std::int64_t>(
            count, std::min(kSetsPerBlock, static_cast<std::int64_t>(count) * facesLeft));
        TexCoordSet* block = new (std::nothrow) TexCoordSet[static_cast<std::size_t>(size)];
        if (block == nullptr) return nullptr;
        setBlocks.emplace_back(block);
        setBlockSize = static_cast<int>(size);
        setsUsedInBlock = 0;
    }
    TexCoordSet* sets = setBlocks.back().get() + setsUsedInBlock;
    setsUsedInBlock += count;
    return sets;
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

bool Model::CornersInRange(const Face& face) const {
    for (int corner = 0; corner < 4; ++corner) {
        if (!InRange(face.vertexIndex[corner], vertexCount) ||
            !InRange(face.normalIndex[corner], normalCount)) {
            return false;
        }
    }
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
    // Faces before the first one ReadFaces found out of range are known good.
    for (int i = firstFaceOutOfRange; i < faceCount; ++i) {
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

    setBlocks.clear();
    setBlockSize = 0;
    setsUsedInBlock = 0;
    firstFaceOutOfRange = 0;
    ::operator delete[](faces);
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

std::uint32_t Model::GetTextureName(int index) const {
    if (!InRange(index, textureCount)) return 0;
    return textures[index].glName;
}
