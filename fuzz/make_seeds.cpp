// fuzz_seeds: writes the seed corpora of the fuzz targets, made with the
// project's own writers, into DIRECTORY/<target>/:
//
//   fuzz_seeds fuzz/corpus
//
// Models for the model loader and the inspector, TGA files of both image
// types and every depth the decoder takes, and level layouts for the entity
// database. Every seed is well-formed: the fuzzer makes the malformed ones.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "content/tools/modelwriter/ModelWriter.h"
#include "tests/support/TgaFile.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Save(const fs::path& directory, const std::string& name, const Bytes& bytes) {
    fs::create_directories(directory);
    std::ofstream(directory / name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void Save(const fs::path& directory, const std::string& name, const std::string& text) {
    Save(directory, name, Bytes(text.begin(), text.end()));
}

FaceDescription Quad(std::int32_t v0, std::int32_t v1, std::int32_t v2, std::int32_t v3,
                     std::int32_t normal, int sets) {
    FaceDescription face = QuadFace(v0, v1, v2, v3, normal);
    for (int s = 0; s < sets; ++s) {
        TexCoordSetDescription set;
        set.tag = s;
        for (int k = 0; k < 4; ++k) set.corners[k] = Vec2(k & 1 ? 1.0f : 0.0f, k & 2 ? 1.0f : 0.0f);
        face.sets.push_back(set);
    }
    return face;
}

Bytes Encode(const ModelDescription& model) {
    ModelWriter writer;
    if (!writer.WriteModel(model)) {
        std::fprintf(stderr, "fuzz_seeds: a seed model cannot be written\n");
        std::exit(1);
    }
    return writer.Bytes();
}

// A cube: one textured material over its six faces, a small node tree.
ModelDescription Cube() {
    ModelDescription model;
    model.radius = 1.75f;
    for (int i = 0; i < 8; ++i) {
        model.vertices.push_back(Vec3(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1));
    }
    model.normals = {Vec3(1, 0, 0),  Vec3(-1, 0, 0), Vec3(0, 1, 0),
                     Vec3(0, -1, 0), Vec3(0, 0, 1),  Vec3(0, 0, -1)};
    model.faces = {Quad(1, 3, 7, 5, 0, 1), Quad(0, 4, 6, 2, 1, 1), Quad(2, 6, 7, 3, 2, 0),
                   Quad(0, 1, 5, 4, 3, 0), Quad(4, 5, 7, 6, 4, 2), Quad(0, 2, 3, 1, 5, 1)};
    model.textures = {{"cube.tga", 7, 0xFFFF}};
    model.materials = {{32.0f, {0.5f, 0.5f, 0.5f}, {1.0f, 0.5f, 0.25f}, 0, {0, 1, 2, 3, 4, 5}}};
    NodeDescription root = NamedNode("cube", 1, {NamedNode("lid", 2), NamedNode("base", 3)});
    root.listA = {1, 2, 3};
    root.listB = {4};
    for (int i = 0; i < 9; ++i) root.values[i] = 100u + static_cast<std::uint32_t>(i);
    model.nodes = {root, NamedNode("marker", 9)};
    return model;
}

// Well over two windows of file, so that values and names straddle refills:
// several materials (one untextured, one without faces), long and empty
// texture names, faces with up to two coordinate sets.
ModelDescription Large() {
    ModelDescription model = Cube();
    model.textures.push_back({std::string(127, 'w'), 1, 2});
    model.textures.push_back({"", 3, 4});
    for (int i = 0; i < 72; ++i) model.vertices.push_back(Vec3(0.5f * i, -0.25f * i, 3.0f + i));
    for (int i = 0; i < 18; ++i) model.normals.push_back(Vec3(0.0f, i * 0.1f, 1.0f));
    for (int f = 0; f < 24; ++f) {
        model.faces.push_back(Quad(f, f + 7, f * 3, 79 - f, 23 - f, f % 3));
    }
    model.materials.push_back({5.0f, {}, {0.0f, 1.0f, 0.0f}, -1, {11, 12, 12, 29}});
    model.materials.push_back({0.0f, {}, {}, 2, {}});
    model.nodes[0].children.push_back(NamedNode(std::string(127, 'n'), 5));
    return model;
}

// Nodes nested forty deep, each level with a sibling after its subtree.
ModelDescription DeepNodes() {
    ModelDescription model;
    model.radius = 1.0f;
    NodeDescription node = NamedNode("leaf", 40);
    for (int depth = 39; depth >= 0; --depth) {
        node = NamedNode("level" + std::to_string(depth), depth,
                         {node, NamedNode("side", 100 + depth)});
    }
    model.nodes = {node};
    return model;
}

// Counts all zero: just the radius and one node.
ModelDescription Minimal() {
    ModelDescription model;
    model.radius = 4.0f;
    model.nodes = {NamedNode("only", 0)};
    return model;
}

void MakeModels(const fs::path& directory) {
    Save(directory, "minimal.mdl", Encode(Minimal()));
    Save(directory, "cube.mdl", Encode(Cube()));
    Save(directory, "large.mdl", Encode(Large()));
    Save(directory, "deep-nodes.mdl", Encode(DeepNodes()));
}

void MakeImages(const fs::path& directory) {
    struct Shape {
        int width, height, depth;
    };
    // Small ones, and ones over a window of file so that packets straddle refills.
    const Shape shapes[] = {{4, 3, 24}, {3, 2, 32}, {5, 2, 16}, {48, 40, 24}, {40, 32, 32}};
    std::uint32_t seed = 1;
    for (const Shape& shape : shapes) {
        const int bytesPerPixel = shape.depth / 8;
        const Bytes pixels = PatternPixels(shape.width, shape.height, bytesPerPixel, seed++);
        const std::string size = std::to_string(shape.width) + "x" + std::to_string(shape.height) +
                                 "-" + std::to_string(shape.depth);
        Save(directory, "uncompressed-" + size + ".tga",
             TgaFile(TgaImage::kUncompressed, shape.width, shape.height, shape.depth, pixels));
        Save(directory, "run-length-" + size + ".tga",
             TgaFile(TgaImage::kRunLength, shape.width, shape.height, shape.depth,
                     RunLengthEncode(pixels, bytesPerPixel)));
    }
    // An image ID and a top-left origin bit, which the decoder skips and ignores.
    TgaHeader header = MakeTgaHeader(TgaImage::kUncompressed, 2, 2, 24, 0x20);
    header.idLength = 5;
    Bytes file = TgaHeaderBytes(header);
    for (char c : std::string("hello")) file.push_back(static_cast<std::uint8_t>(c));
    const Bytes pixels = PatternPixels(2, 2, 3, 99);
    file.insert(file.end(), pixels.begin(), pixels.end());
    Save(directory, "with-id.tga", file);
}

// Level layouts: the first section is the level, every other an entity; see level_fuzzer.cpp.
void MakeLevels(const fs::path& directory) {
    const std::string nul(1, '\0');
    Save(directory, "one-robot.txt", "01\nbrakmoor" + nul + "brakmoor\nrobot\nbody.mdl\n");
    Save(directory, "two-robots-crlf.txt",
         "01\nalpha\r\nbeta" + nul + "alpha\r\nrobot\r\nbody.mdl\r\n" + nul +
             "beta\nrobot\nbody.mdl");
    Save(directory, "listed-twice.txt",
         "level two\nsame\nsame" + nul + "same\nrobot\nbody.mdl\nignored line\n");
    Save(directory, "final-line-feed.txt", "01\nbrakmoor\n" + nul + "brakmoor\nrobot\nbody.mdl\n");
    Save(directory, "broken-model.txt", "01\nbad" + nul + "bad\nrobot\nbroken.mdl\n");
    Save(directory, "not-a-robot.txt", "01\nrock" + nul + "rock\nRobot\nbody.mdl\n");
    Save(directory, "long-names.txt",
         "01\n" + std::string(80, 'e') + nul + std::string(80, 'e') + "\nrobot\nbody.mdl\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIRECTORY\n");
        return 2;
    }
    const fs::path out = argv[1];
    MakeModels(out / "model_fuzzer");
    MakeModels(out / "inspect_fuzzer");
    MakeImages(out / "tga_fuzzer");
    MakeLevels(out / "level_fuzzer");
    return 0;
}
