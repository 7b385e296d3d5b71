// Model files written by the model writer and read back: well-formed files
// load field for field, malformed ones are refused and leave the model empty.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/tools/modelwriter/ModelWriter.h"
#include "render/BinaryReader.h"
#include "render/Model.h"
#include "tests/support/TemporaryDirectory.h"

namespace {

// One material using texture 0 for faces 0 and 1, one texture, eight
// vertices, six normals, two faces (the first with one coordinate set, the
// second with none) and a single node without children.
ModelDescription SmallModel() {
    ModelDescription model;
    model.radius = 1.75f;
    model.materials.push_back({32.0f, {0.5f, 0.25f, 0.125f}, {1.0f, 0.75f, 0.0625f}, 0, {0, 1}});
    model.textures.push_back({"body.tga", 7, 0xFFFF});
    for (int i = 0; i < 8; ++i) {
        model.vertices.push_back(Vec3(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1));
    }
    model.normals = {Vec3(1, 0, 0),  Vec3(-1, 0, 0), Vec3(0, 1, 0),
                     Vec3(0, -1, 0), Vec3(0, 0, 1),  Vec3(0, 0, -1)};
    model.faces = {QuadFace(4, 5, 7, 6, 4), QuadFace(0, 2, 3, 1, 5)};
    model.faces[1].normalIndex[2] = 3;
    TexCoordSetDescription set;
    set.tag = 9;
    set.corners[1] = Vec2(1.0f, 0.0f);
    set.corners[2] = Vec2(1.0f, 1.0f);
    set.corners[3] = Vec2(0.0f, 0.5f);
    model.faces[0].sets.push_back(set);
    model.nodes = {NamedNode("root", 42)};
    for (int i = 0; i < 9; ++i) model.nodes[0].values[i] = 100u + static_cast<std::uint32_t>(i);
    return model;
}

// Over two windows of file, so that values and names straddle refills:
// untextured and faceless materials, long and empty names, faces with up to
// two coordinate sets, a node tree with lists.
ModelDescription LargeModel() {
    ModelDescription model = SmallModel();
    model.textures.push_back({std::string(120, 'w') + ".tga", 1, 2});
    model.textures.push_back({"", 3, 4});
    for (int i = 0; i < 56; ++i) model.vertices.push_back(Vec3(0.5f * i, -0.25f * i, 3.0f + i));
    for (int i = 0; i < 18; ++i) model.normals.push_back(Vec3(0.0f, i * 0.1f, 1.0f));
    for (int f = 0; f < 10; ++f) {
        model.faces.push_back(QuadFace(f, f + 7, f * 3, 63 - f, 23 - f));
        for (int s = 0; s < f % 3; ++s) {
            TexCoordSetDescription set;
            set.tag = f * 10 + s;
            for (int k = 0; k < 4; ++k) set.corners[k] = Vec2(0.1f * k + s, 0.2f * f);
            model.faces.back().sets.push_back(set);
        }
    }
    model.materials.push_back({5.0f, {}, {0.0f, 1.0f, 0.0f}, -1, {11, 2, 2, 7}});
    model.materials.push_back({0.0f, {}, {}, 2, {}});
    NodeDescription arm = NamedNode("arm", 2, {NamedNode("hand", 3), NamedNode("thumb", 4)});
    arm.listA = {1, -2, 3};
    arm.listB = {7};
    arm.values[8] = 0xDEADBEEF;
    model.nodes = {NamedNode("body", 1, {arm, NamedNode(std::string(127, 'n'), 5)}),
                   NamedNode("tail", 6)};
    model.nodes[0].listB = {9, 8, 7, 6, 5};
    return model;
}

std::vector<std::uint8_t> Encode(const ModelDescription& model) {
    ModelWriter writer;
    EXPECT_TRUE(writer.WriteModel(model));
    return writer.Bytes();
}

std::vector<NodeDescription> DescribeNodes(const ModelNode* node) {
    std::vector<NodeDescription> list;
    for (; node != nullptr; node = node->nextSibling) {
        NodeDescription d = NamedNode(node->name, node->id, DescribeNodes(node->firstChild));
        std::copy(node->values, node->values + 9, d.values);
        d.listA.assign(node->listA, node->listA + node->countA);
        d.listB.assign(node->listB, node->listB + node->countB);
        EXPECT_EQ(node->listA == nullptr, node->countA == 0);
        EXPECT_EQ(node->listB == nullptr, node->countB == 0);
        list.push_back(d);
    }
    return list;
}

// The loaded model as a description again: encoded, it must give back the
// file's bytes, which compares every field, the tree's shape and its order.
ModelDescription Describe(const Model& model) {
    ModelDescription d;
    d.radius = model.GetRadius();
    for (int i = 0; i < model.GetMaterialCount(); ++i) {
        const Material& m = model.GetMaterials()[i];
        EXPECT_EQ(m.faceIndices == nullptr, m.faceCount == 0);
        d.materials.push_back({m.shininess,
                               {m.specular[0], m.specular[1], m.specular[2]},
                               {m.colour[0], m.colour[1], m.colour[2]},
                               m.textureIndex,
                               {m.faceIndices, m.faceIndices + m.faceCount}});
    }
    for (int i = 0; i < model.GetTextureCount(); ++i) {
        const TextureRecord& t = model.GetTextures()[i];
        d.textures.push_back({t.fileName, t.valueA, t.valueB});
    }
    d.vertices.assign(model.GetVertices(), model.GetVertices() + model.GetVertexCount());
    d.normals.assign(model.GetNormals(), model.GetNormals() + model.GetNormalCount());
    for (int i = 0; i < model.GetFaceCount(); ++i) {
        const Face& f = model.GetFaces()[i];
        EXPECT_EQ(f.sets == nullptr, f.setCount == 0);
        d.faces.push_back(QuadFace(0, 0, 0, 0, 0));
        std::copy(f.vertexIndex, f.vertexIndex + 4, d.faces.back().vertexIndex);
        std::copy(f.normalIndex, f.normalIndex + 4, d.faces.back().normalIndex);
        for (int s = 0; s < f.setCount; ++s) {
            TexCoordSetDescription set;
            set.tag = f.sets[s].tag;
            std::copy(f.sets[s].corners, f.sets[s].corners + 4, set.corners);
            d.faces.back().sets.push_back(set);
        }
    }
    d.nodes = DescribeNodes(model.nodeTree);
    return d;
}

void ExpectEmpty(const Model& model) {
    EXPECT_TRUE(model.GetMaterials() == nullptr && model.GetTextures() == nullptr &&
                model.GetVertices() == nullptr && model.GetNormals() == nullptr &&
                model.GetFaces() == nullptr && model.nodeTree == nullptr);
    EXPECT_EQ(model.GetMaterialCount() | model.GetTextureCount() | model.GetVertexCount() |
                  model.GetNormalCount() | model.GetFaceCount(),
              0);
    EXPECT_TRUE(model.nodeIndex.empty());
    EXPECT_EQ(model.GetRadius(), 0.0f);
}

// Replaces the i32 at offset, which must hold expected: a wrong offset shows
// as such instead of as a passing test.
void Patch(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t expected,
           std::int32_t value) {
    ASSERT_LE(offset + 4, bytes.size());
    std::int32_t old = 0;
    std::memcpy(&old, &bytes[offset], 4);
    ASSERT_EQ(old, expected) << "at offset " << offset;
    std::memcpy(&bytes[offset], &value, 4);
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(directory.Exists()); }

    bool Load(const std::vector<std::uint8_t>& bytes) {
        return model.Load(directory.Write("model.bin", bytes).c_str());
    }
    void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(Load(bytes));
        ExpectEmpty(model);
    }

    TemporaryDirectory directory;
    Model model;
};

TEST_F(ModelTest, TheWriterLaysOutTheSmallModelInFileOrder) {
    // Put together by hand, value by value, so that the writer and the loader
    // cannot agree on a wrong layout.
    ModelWriter hand;
    hand.WriteF32(1.75f);
    hand.WriteI32(1);
    for (float value : {32.0f, 0.5f, 0.25f, 0.125f, 1.0f, 0.75f, 0.0625f}) hand.WriteF32(value);
    for (std::int32_t value : {0, 2, 0, 1, 1}) hand.WriteI32(value);
    hand.WriteString("body.tga");
    hand.WriteU16(7);
    hand.WriteU16(0xFFFF);
    const ModelDescription small = SmallModel();
    for (const std::vector<Vec3>* vectors : {&small.vertices, &small.normals}) {
        hand.WriteI32(static_cast<std::int32_t>(vectors->size()));
        for (const Vec3& v : *vectors) {
            for (float value : {v.x, v.y, v.z}) hand.WriteF32(value);
        }
    }
    for (std::int32_t value : {2, 4, 5, 7, 6, 4, 4, 4, 4, 1, 9}) hand.WriteI32(value);
    for (float value : {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.5f}) hand.WriteF32(value);
    for (std::int32_t value : {0, 2, 3, 1, 5, 5, 3, 5, 0}) hand.WriteI32(value);
    hand.WriteU8(0);
    hand.WriteU8(0);
    hand.WriteString("root");
    hand.WriteI32(42);
    for (std::uint32_t value = 100; value < 109; ++value) hand.WriteU32(value);
    hand.WriteI32(0);
    hand.WriteI32(0);

    EXPECT_EQ(Encode(small), hand.Bytes());
    EXPECT_EQ(hand.Bytes().size(), 412u);
}

TEST_F(ModelTest, WellFormedModelsLoadFieldForField) {
    ASSERT_GT(Encode(LargeModel()).size(), 2u * BinaryReader::kWindowSize);
    for (const ModelDescription& description : {SmallModel(), LargeModel()}) {
        const std::vector<std::uint8_t> bytes = Encode(description);
        ASSERT_TRUE(Load(bytes));
        EXPECT_EQ(Encode(Describe(model)), bytes);
        for (int i = 0; i < model.GetTextureCount(); ++i) {
            // Nothing in the file sets these; they hold defined defaults.
            const TextureRecord& record = model.GetTextures()[i];
            EXPECT_EQ(record.glName, 0u);
            EXPECT_EQ(record.uploadMode | record.alphaMode, 0);
            EXPECT_EQ(record.colourKey[0] | record.colourKey[1] | record.colourKey[2], 0);
        }
    }
    // A few fields by name, against mix-ups that the round trip would share
    // (the large model begins with the small one).
    EXPECT_EQ(model.GetMaterials()[0].shininess, 32.0f);
    EXPECT_EQ(model.GetMaterials()[0].colour[2], 0.0625f);
    EXPECT_EQ(model.GetMaterials()[0].specular[0], 0.5f);
    EXPECT_STREQ(model.GetTextures()[0].fileName, "body.tga");
    EXPECT_EQ(model.GetTextures()[0].valueB, 0xFFFF);
    EXPECT_EQ(model.GetFaces()[0].sets[0].corners[3].y, 0.5f);
    EXPECT_EQ(model.GetFaces()[1].normalIndex[2], 3);
    EXPECT_EQ(model.GetVertices()[6].y, 1.0f);
}

TEST_F(ModelTest, NodesAreReadDepthFirstAndTheLastNodeWithAnIdNamesIt) {
    // P with child Q and next sibling R: the file holds P, Q, R.
    ModelDescription description = SmallModel();
    description.nodes = {NamedNode("P", 7, {NamedNode("Q", 8)}), NamedNode("R", 7)};
    const std::vector<std::uint8_t> bytes = Encode(description);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_LT(text.find(std::string("P\0", 2)), text.find(std::string("Q\0", 2)));
    EXPECT_LT(text.find(std::string("Q\0", 2)), text.find(std::string("R\0", 2)));

    ASSERT_TRUE(Load(bytes));
    const ModelNode* p = model.nodeTree;
    ASSERT_TRUE(p != nullptr && p->firstChild != nullptr && p->nextSibling != nullptr);
    EXPECT_STREQ(p->name, "P");
    EXPECT_STREQ(p->firstChild->name, "Q");
    EXPECT_STREQ(p->nextSibling->name, "R");
    ASSERT_EQ(model.nodeIndex.size(), 2u);
    EXPECT_EQ(model.nodeIndex.at(7), p->nextSibling->name);
    EXPECT_EQ(model.nodeIndex.at(8), p->firstChild->name);

    description.nodes = {NamedNode("outer", 3, {NamedNode("inner", 3)})};
    ASSERT_TRUE(Load(Encode(description)));
    EXPECT_STREQ(model.nodeIndex.at(3), "inner");
}

TEST_F(ModelTest, AModelOfOneNodeLoadsEmptyButForItsRadius) {
    ModelDescription description;
    description.radius = 3.5f;
    description.nodes = {NamedNode("only", -1)};
    ASSERT_TRUE(Load(Encode(description)));
    EXPECT_EQ(Encode(Describe(model)), Encode(description));
    EXPECT_EQ(model.GetMaterials(), nullptr);
    EXPECT_EQ(model.GetTextureName(0), 0u);
}

TEST_F(ModelTest, DeeplyNestedNodesLoadAndFree) {
    // Far deeper than any real model, and deeper than the call stack would
    // allow if each level were a call.
    const int depth = 100000;
    ModelWriter writer;
    for (int i = 0; i < 6; ++i) writer.WriteI32(0);  // radius and five empty sections
    for (int level = 0; level < depth; ++level) {
        writer.WriteU8(level + 1 < depth ? 1 : 0);
        writer.WriteU8(0);
        writer.WriteString("n");
        for (int i = 0; i < 12; ++i) writer.WriteI32(i == 0 ? level : 0);
    }
    ASSERT_TRUE(Load(writer.Bytes()));
    EXPECT_EQ(model.nodeIndex.size(), static_cast<std::size_t>(depth));
    model.Unload();
    ExpectEmpty(model);
}

TEST_F(ModelTest, LoadingTwiceGivesIndependentModelsAndUnloadEmpties) {
    const std::string path = directory.Write("large.bin", Encode(LargeModel()));
    Model second;
    ASSERT_TRUE(model.Load(path.c_str()));
    ASSERT_TRUE(second.Load(path.c_str()));
    EXPECT_EQ(Encode(Describe(model)), Encode(Describe(second)));
    EXPECT_NE(model.GetMaterials()[0].faceIndices, second.GetMaterials()[0].faceIndices);

    ASSERT_TRUE(second.Load(directory.Write("small.bin", Encode(SmallModel())).c_str()));
    EXPECT_EQ(Encode(Describe(second)), Encode(SmallModel()));  // replaced, not merged

    model.Unload();
    ExpectEmpty(model);
    model.Unload();
    ExpectEmpty(model);
    EXPECT_FALSE(model.Load(directory.File("absent.bin").c_str()));
    ExpectEmpty(model);
}

TEST_F(ModelTest, TextureNamesAreLookedUpOnlyInsideTheRecords) {
    ASSERT_TRUE(Load(Encode(LargeModel())));
    ASSERT_EQ(model.GetTextureCount(), 3);
    model.GetTextures()[0].glName = 11;
    model.GetTextures()[2].glName = 13;
    EXPECT_EQ(model.GetTextureName(0), 11u);
    EXPECT_EQ(model.GetTextureName(2), 13u);
    EXPECT_EQ(model.GetTextureName(3), 0u);
    EXPECT_EQ(model.GetTextureName(-1), 0u);
}

TEST_F(ModelTest, EveryTruncationIsRefused) {
    for (const ModelDescription& description : {SmallModel(), LargeModel()}) {
        const std::vector<std::uint8_t> bytes = Encode(description);
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            ASSERT_FALSE(Load(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + length)))
                << "cut to " << length << " of " << bytes.size() << " bytes";
            ExpectEmpty(model);
        }
    }
}

TEST_F(ModelTest, NegativeAndOversizedCountsAreRefused) {
    // The counts of the small model's file: offset and the value held there.
    // A count too large must be refused before anything is allocated for it.
    const std::pair<std::size_t, std::int32_t> counts[] = {
        {4, 1}, {40, 2}, {52, 1}, {69, 8}, {169, 6}, {245, 2}, {281, 1}, {404, 0}, {408, 0}};
    const std::vector<std::uint8_t> good = Encode(SmallModel());
    for (const auto& count : counts) {
        for (std::int32_t bad : {-1, INT32_MIN, INT32_MAX, 0x10000000}) {
            std::vector<std::uint8_t> bytes = good;
            Patch(bytes, count.first, count.second, bad);
            ExpectRefused(bytes,
                          "count at " + std::to_string(count.first) + " = " + std::to_string(bad));
        }
    }
}

TEST_F(ModelTest, IndicesOutsideTheirArraysAreRefused) {
    ModelDescription description = SmallModel();
    description.textures.push_back({"second.tga", 0, 0});
    std::int32_t& texture = description.materials[0].textureIndex;
    for (std::int32_t index : {-1, 0, 1}) {
        texture = index;
        EXPECT_TRUE(Load(Encode(description))) << "texture index " << index;
    }
    const std::pair<std::int32_t*, std::int32_t> cases[] = {
        {&texture, -2},
        {&texture, 2},
        {&description.materials[0].faceIndices[1], 2},  // two faces
        {&description.materials[0].faceIndices[0], -1},
        {&description.faces[1].vertexIndex[3], 8},  // eight vertices
        {&description.faces[0].vertexIndex[0], -1},
        {&description.faces[0].normalIndex[2], 6},  // six normals
        {&description.faces[1].normalIndex[1], -1},
    };
    for (const auto& c : cases) {
        const std::int32_t kept = *c.first;
        *c.first = c.second;
        ExpectRefused(Encode(description), "index " + std::to_string(c.second));
        *c.first = kept;
    }
}

TEST_F(ModelTest, NamesWithoutTheirTerminatorWithin128BytesAreRefused) {
    ModelDescription description = SmallModel();
    description.textures[0].fileName = std::string(127, 't');
    description.nodes[0].name = std::string(127, 'n');
    const std::vector<std::uint8_t> longest = Encode(description);
    ASSERT_TRUE(Load(longest));

    const std::size_t textureNameEnd = 56 + 127;
    const std::size_t nodeNameEnd = longest.size() - 12 * 4 - 1;
    for (std::size_t end : {textureNameEnd, nodeNameEnd}) {
        std::vector<std::uint8_t> bytes = longest;
        ASSERT_EQ(bytes[end], 0) << "at " << end;
        bytes[end] = 'x';
        ExpectRefused(bytes, "no terminator at " + std::to_string(end));
    }
}

}  // namespace
