// The binary reader, the TGA decoder and the model loader against their first versions
// (tests/render/ReferenceLoaders) on random files, well formed and broken: the same values and
// failures from every read, the same pictures and the same models, or the same refusals with
// the same reasons. This guards the readers' speed work: bulk reads, models read word by word
// in blocks, coordinate sets kept in shared blocks.
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/tools/modelwriter/ModelWriter.h"
#include "render/BinaryReader.h"
#include "render/Model.h"
#include "render/TgaTexture.h"
#include "tests/render/ReferenceLoaders.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TgaFile.h"

namespace {

class Random {
public:
    explicit Random(uint32_t seed) : engine(seed) {}
    uint32_t Next() { return engine(); }
    int Below(int count) { return static_cast<int>(engine() % static_cast<uint32_t>(count)); }
    bool Chance(double probability) { return Below(1000000) < probability * 1000000.0; }
    float Float() { return static_cast<float>(static_cast<int32_t>(engine())) / 65536.0f; }
    std::vector<std::uint8_t> Bytes(size_t count) {
        std::vector<std::uint8_t> bytes(count);
        for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(engine());
        return bytes;
    }

private:
    std::mt19937 engine;
};

// Broken copies of a good file: cut short, bytes overwritten, or both.
std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> bytes, Random& random) {
    if (bytes.empty()) return bytes;
    if (random.Chance(0.5))
        bytes.resize(static_cast<size_t>(random.Below(static_cast<int>(bytes.size()))));
    const int flips = random.Chance(0.5) ? 1 + random.Below(4) : 0;
    for (int i = 0; i < flips && !bytes.empty(); ++i) {
        bytes[static_cast<size_t>(random.Below(static_cast<int>(bytes.size())))] =
            static_cast<std::uint8_t>(random.Next());
    }
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// The reader: every kind of read at every kind of place, ReadBytes against byte by byte.

TEST(LoaderEquivalenceTest, ReaderGivesTheSameValuesAndFailuresAsTheFirstReader) {
    TemporaryDirectory directory;
    Random random(101u);
    for (int file = 0; file < 60; ++file) {
        SCOPED_TRACE(file);
        const int size = file == 0 ? 0 : random.Below(6000);
        std::string const path =
            directory.Write("data.bin", random.Bytes(static_cast<size_t>(size)));
        BinaryReader ours;
        reference::BinaryReader theirs;
        ASSERT_TRUE(ours.Open(path.c_str(), true));
        ASSERT_TRUE(theirs.Open(path.c_str(), true));
        for (int step = 0; step < 200; ++step) {
            const int kind = random.Below(5);
            if (kind == 0) {
                std::uint8_t a = 0;
                std::uint8_t b = 0;
                ours.ReadU8(a);
                theirs.ReadU8(b);
                ASSERT_EQ(a, b) << "step " << step;
            } else if (kind == 1) {
                std::uint16_t a = 0;
                std::uint16_t b = 0;
                ours.ReadU16(a);
                theirs.ReadU16(b);
                ASSERT_EQ(a, b) << "step " << step;
            } else if (kind == 2) {
                std::uint32_t a = 0;
                std::uint32_t b = 0;
                ours.ReadU32(a);
                theirs.ReadU32(b);
                ASSERT_EQ(a, b) << "step " << step;
            } else if (kind == 3) {
                const int most = 1 + random.Below(200);
                std::vector<char> a(static_cast<size_t>(most), 'a');
                std::vector<char> b(static_cast<size_t>(most), 'a');
                ours.ReadString(a.data(), most);
                theirs.ReadString(b.data(), most);
                ASSERT_EQ(std::string(a.data()), std::string(b.data())) << "step " << step;
            } else {
                // Small and large blocks: the first reader reads them a byte at a time.
                const int count = random.Chance(0.5) ? random.Below(40) : random.Below(3000);
                std::vector<std::uint8_t> a(static_cast<size_t>(count) + 1, 0xEE);
                std::vector<std::uint8_t> b(static_cast<size_t>(count) + 1, 0xEE);
                ours.ReadBytes(a.data(), count);
                for (int i = 0; i < count; ++i) theirs.ReadU8(b[static_cast<size_t>(i)]);
                ASSERT_EQ(a, b) << "step " << step << ", " << count << " bytes";
            }
            ASSERT_EQ(ours.Failed(), theirs.Failed()) << "step " << step;
            ASSERT_EQ(ours.RemainingBytes(), theirs.RemainingBytes()) << "step " << step;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// TGA decoding.

std::vector<std::uint8_t> RandomTga(Random& random) {
    const int depths[] = {8, 16, 24, 32, 24, 32, 40};
    const int types[] = {2, 10, 2, 10, 2, 10, 1, 3, 9, 11};
    const int depth = depths[random.Below(7)];
    const int type = types[random.Below(10)];
    const int width = 1 + random.Below(random.Chance(0.2) ? 400 : 40);
    const int height = 1 + random.Below(random.Chance(0.2) ? 300 : 40);
    const int bytesPerPixel = depth <= 16 ? 2 : depth <= 24 ? 3 : 4;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);

    // Pixels with runs of repeats, so that the encoder makes both kinds of packet.
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> pixel = random.Bytes(static_cast<size_t>(bytesPerPixel));
    for (size_t i = 0; i < count; ++i) {
        if (random.Chance(0.3)) pixel = random.Bytes(static_cast<size_t>(bytesPerPixel));
        pixels.insert(pixels.end(), pixel.begin(), pixel.end());
    }
    std::vector<std::uint8_t> body =
        type == 10 || type == 9 || type == 11 ? RunLengthEncode(pixels, bytesPerPixel) : pixels;
    if (random.Chance(0.1)) {
        // A last packet that runs past the last pixel.
        body.push_back(static_cast<std::uint8_t>(random.Next()));
        const std::vector<std::uint8_t> extra =
            random.Bytes(static_cast<size_t>(bytesPerPixel) * 130);
        body.insert(body.end(), extra.begin(), extra.end());
    }
    TgaHeader header = MakeTgaHeader(type, width, height, depth, random.Below(256));
    if (random.Chance(0.2)) header.idLength = static_cast<std::uint8_t>(random.Below(256));
    if (random.Chance(0.05)) header.colourMapType = 1;
    if (random.Chance(0.05)) header.xOrigin = 1;
    if (random.Chance(0.05)) header.height = static_cast<std::int16_t>(-height);
    std::vector<std::uint8_t> id = random.Bytes(header.idLength);
    std::vector<std::uint8_t> file = TgaHeaderBytes(header);
    file.insert(file.end(), id.begin(), id.end());
    file.insert(file.end(), body.begin(), body.end());
    return random.Chance(0.3) ? Damaged(file, random) : file;
}

TEST(LoaderEquivalenceTest, TgaDecoderGivesTheSamePicturesAndRefusalsAsTheFirstDecoder) {
    TemporaryDirectory directory;
    Random random(202u);
    int loaded = 0;
    for (int file = 0; file < 400; ++file) {
        SCOPED_TRACE(file);
        std::string const path = directory.Write("picture.tga", RandomTga(random));
        reference::DecodedTga const theirs = reference::DecodeTga(path.c_str());
        TextureRecord record;
        path.copy(record.fileName, sizeof(record.fileName) - 1);
        TgaTexture ours;
        ASSERT_EQ(ours.Load(record), theirs.loaded);
        ASSERT_EQ(TgaHeaderBytes(ours.header), TgaHeaderBytes(theirs.header));
        if (!theirs.loaded) {
            EXPECT_EQ(ours.pixels, nullptr);
            continue;
        }
        ++loaded;
        ASSERT_EQ(ours.width, theirs.width);
        ASSERT_EQ(ours.height, theirs.height);
        ASSERT_EQ(ours.bitsPerPixel, theirs.bitsPerPixel);
        ASSERT_EQ(std::vector<std::uint8_t>(ours.pixels, ours.pixels + theirs.pixels.size()),
                  theirs.pixels);
    }
    EXPECT_GT(loaded, 100);
}

// ---------------------------------------------------------------------------------------------
// Model loading.

ModelDescription RandomModel(Random& random) {
    ModelDescription model;
    model.radius = random.Float();
    const int vertices = random.Below(60);
    const int normals = random.Below(60);
    for (int i = 0; i < vertices; ++i)
        model.vertices.emplace_back(random.Float(), random.Float(), random.Float());
    for (int i = 0; i < normals; ++i)
        model.normals.emplace_back(random.Float(), random.Float(), random.Float());
    // Valid indices, except in about one model in five, where some index may lie outside its
    // array.
    const double badChance = random.Chance(0.2) ? 0.02 : 0.0;
    auto index = [&random, badChance](int count) {
        if (count == 0 || random.Chance(badChance)) {
            return static_cast<std::int32_t>(random.Next() % 100) - 10;
        }
        return random.Below(count);
    };
    const int faces = random.Below(random.Chance(0.1) ? 3000 : 80);
    for (int i = 0; i < faces; ++i) {
        FaceDescription face;
        for (int k = 0; k < 4; ++k) {
            face.vertexIndex[k] = index(vertices);
            face.normalIndex[k] = index(normals);
        }
        const int sets = random.Chance(0.2) ? 0 : random.Chance(0.9) ? 1 : 2 + random.Below(3);
        for (int s = 0; s < sets; ++s) {
            TexCoordSetDescription set;
            set.tag = static_cast<std::int32_t>(random.Next());
            for (Vec2& corner : set.corners) corner = Vec2(random.Float(), random.Float());
            face.sets.push_back(set);
        }
        model.faces.push_back(face);
    }
    const int textures = random.Below(4);
    for (int i = 0; i < textures; ++i) {
        model.textures.push_back(TextureDescription{"t" + std::to_string(random.Next()) + ".tga",
                                                    static_cast<std::uint16_t>(random.Next()),
                                                    static_cast<std::uint16_t>(random.Next())});
    }
    const int materials = random.Below(5);
    for (int i = 0; i < materials; ++i) {
        MaterialDescription material;
        material.shininess = random.Float();
        for (float& component : material.specular) component = random.Float();
        for (float& component : material.colour) component = random.Float();
        material.textureIndex = textures > 0 && random.Chance(0.7) ? index(textures) : -1;
        const int used = random.Below(1 + faces);
        for (int f = 0; f < used; ++f) material.faceIndices.push_back(index(faces));
        model.materials.push_back(material);
    }
    // A node tree a few levels deep, with repeated ids now and then.
    std::function<std::vector<NodeDescription>(int)> list = [&](int level) {
        std::vector<NodeDescription> nodes(static_cast<size_t>(1 + random.Below(3)));
        for (NodeDescription& node : nodes) {
            node.name = "node" + std::to_string(random.Below(1000));
            node.id = random.Below(20);
            for (std::uint32_t& value : node.values) value = random.Next();
            for (int i = random.Below(4); i > 0; --i)
                node.listA.push_back(static_cast<std::int32_t>(random.Next()));
            for (int i = random.Below(4); i > 0; --i)
                node.listB.push_back(static_cast<std::int32_t>(random.Next()));
            if (level < 3 && random.Chance(0.4)) node.children = list(level + 1);
        }
        return nodes;
    };
    model.nodes = list(0);
    return model;
}

// Both models hold the same contents.
::testing::AssertionResult SameModel(const Model& ours, const reference::Model& theirs) {
    auto fail = [](const std::string& what) { return ::testing::AssertionFailure() << what; };
    if (ours.radius != theirs.radius) return fail("radius");
    if (ours.materialCount != theirs.materialCount) return fail("material count");
    for (int i = 0; i < ours.materialCount; ++i) {
        const Material& a = ours.materials[i];
        const Material& b = theirs.materials[i];
        if (std::memcmp(a.colour, b.colour, sizeof(a.colour)) != 0 || a.shininess != b.shininess ||
            std::memcmp(a.specular, b.specular, sizeof(a.specular)) != 0 ||
            a.textureIndex != b.textureIndex || a.faceCount != b.faceCount ||
            (a.faceIndices == nullptr) != (b.faceIndices == nullptr) ||
            (a.faceCount > 0 && std::memcmp(a.faceIndices, b.faceIndices,
                                            sizeof(int) * static_cast<size_t>(a.faceCount)) != 0)) {
            return fail("material " + std::to_string(i));
        }
    }
    if (ours.textureCount != theirs.textureCount) return fail("texture count");
    for (int i = 0; i < ours.textureCount; ++i) {
        const TextureRecord& a = ours.textures[i];
        const TextureRecord& b = theirs.textures[i];
        if (std::memcmp(a.fileName, b.fileName, sizeof(a.fileName)) != 0 || a.valueA != b.valueA ||
            a.valueB != b.valueB || a.glName != b.glName || a.uploadMode != b.uploadMode ||
            a.alphaMode != b.alphaMode ||
            std::memcmp(a.colourKey, b.colourKey, sizeof(a.colourKey)) != 0) {
            return fail("texture record " + std::to_string(i));
        }
    }
    auto sameVectors = [](const Vec3* a, const Vec3* b, int count) {
        return (a == nullptr) == (b == nullptr) &&
               (count == 0 || std::memcmp(a, b, sizeof(Vec3) * static_cast<size_t>(count)) == 0);
    };
    if (ours.vertexCount != theirs.vertexCount ||
        !sameVectors(ours.vertices, theirs.vertices, ours.vertexCount)) {
        return fail("vertices");
    }
    if (ours.normalCount != theirs.normalCount ||
        !sameVectors(ours.normals, theirs.normals, ours.normalCount)) {
        return fail("normals");
    }
    if (ours.faceCount != theirs.faceCount ||
        (ours.faces == nullptr) != (theirs.faces == nullptr)) {
        return fail("face count");
    }
    for (int i = 0; i < ours.faceCount; ++i) {
        const Face& a = ours.faces[i];
        const Face& b = theirs.faces[i];
        if (std::memcmp(a.vertexIndex, b.vertexIndex, sizeof(a.vertexIndex)) != 0 ||
            std::memcmp(a.normalIndex, b.normalIndex, sizeof(a.normalIndex)) != 0 ||
            a.setCount != b.setCount || (a.sets == nullptr) != (b.sets == nullptr) ||
            (a.setCount > 0 &&
             std::memcmp(a.sets, b.sets, sizeof(TexCoordSet) * static_cast<size_t>(a.setCount)) !=
                 0)) {
            return fail("face " + std::to_string(i));
        }
    }
    // The node trees, walked side by side.
    std::vector<std::pair<const ModelNode*, const ModelNode*>> pending{
        {ours.nodeTree, theirs.nodeTree}};
    while (!pending.empty()) {
        const auto [a, b] = pending.back();
        pending.pop_back();
        if ((a == nullptr) != (b == nullptr)) return fail("node tree shape");
        if (a == nullptr) continue;
        if (std::strcmp(a->name, b->name) != 0 || a->id != b->id ||
            std::memcmp(a->values, b->values, sizeof(a->values)) != 0 || a->countA != b->countA ||
            a->countB != b->countB ||
            (a->countA > 0 &&
             std::memcmp(a->listA, b->listA, sizeof(int) * static_cast<size_t>(a->countA)) != 0) ||
            (a->countB > 0 &&
             std::memcmp(a->listB, b->listB, sizeof(int) * static_cast<size_t>(a->countB)) != 0)) {
            return fail(std::string("node ") + b->name);
        }
        pending.emplace_back(a->firstChild, b->firstChild);
        pending.emplace_back(a->nextSibling, b->nextSibling);
    }
    if (ours.nodeIndex.size() != theirs.nodeIndex.size()) return fail("node index");
    for (const auto& [id, name] : theirs.nodeIndex) {
        const auto found = ours.nodeIndex.find(id);
        if (found == ours.nodeIndex.end() || std::strcmp(found->second, name) != 0) {
            return fail("node index entry " + std::to_string(id));
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(LoaderEquivalenceTest, ModelLoaderGivesTheSameModelsAndRefusalsAsTheFirstLoader) {
    TemporaryDirectory directory;
    Random random(303u);
    int loaded = 0;
    int refused = 0;
    for (int file = 0; file < 300; ++file) {
        SCOPED_TRACE(file);
        ModelWriter writer;
        ASSERT_TRUE(writer.WriteModel(RandomModel(random)));
        std::vector<std::uint8_t> bytes = writer.Bytes();
        if (random.Chance(0.4)) bytes = Damaged(bytes, random);
        std::string const path = directory.Write("model.mdl", bytes);

        reference::Model theirs;
        const bool theyLoaded = theirs.Load(path.c_str());
        // The same Model loads twice in a row: the second load must not see the first.
        Model ours;
        if (random.Chance(0.3)) ours.Load(path.c_str());
        ASSERT_EQ(ours.Load(path.c_str()), theyLoaded);
        ASSERT_STREQ(ours.FailureReason(), theirs.FailureReason());
        ASSERT_TRUE(SameModel(ours, theirs));
        (theyLoaded ? loaded : refused) += 1;
    }
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 50);
}

}  // namespace
