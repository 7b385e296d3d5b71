// The model inspector, run as a tool: what it prints about a file the
// program loads, and the reason it gives for one the program refuses, which
// is the loader's own.
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/tools/modelinspect/ModelInspector.h"
#include "content/tools/modelwriter/ModelWriter.h"
#include "render/Model.h"
#include "tests/content/ToolRun.h"
#include "tests/support/TemporaryDirectory.h"

namespace {

// Two materials (one textured), a quad and a triangle with its last corner
// repeated, and a small node tree.
ModelDescription Sample() {
    ModelDescription model;
    model.radius = 3.0f;
    model.materials.push_back({32.0f, {0.5f, 0.5f, 0.5f}, {1.0f, 0.25f, 0.0f}, 0, {0}});
    model.materials.push_back({0.0f, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, -1, {1}});
    model.textures.push_back({"hull.tga", 7, 9});
    model.vertices = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0), Vec3(-1, 1, 0),
                      Vec3(0, 2.5f, 1)};
    model.normals = {Vec3(0, 0, 1), Vec3(0, 0.5f, 0.8f)};
    model.faces = {QuadFace(0, 1, 2, 3, 0), QuadFace(3, 2, 4, 4, 1)};
    TexCoordSetDescription set;
    set.corners[2] = Vec2(1, 0.5f);
    model.faces[0].sets.push_back(set);

    NodeDescription arm;
    arm.name = "arm";
    arm.id = 2;
    arm.values[8] = 5;
    arm.listA = {1, 2, 3};
    NodeDescription hand;
    hand.name = "hand";
    hand.id = 3;
    arm.children.push_back(hand);
    NodeDescription head;
    head.name = "head";
    head.id = 4;
    NodeDescription root;
    root.name = "sample";
    root.id = 1;
    root.children = {arm, head};
    model.nodes = {root};
    return model;
}

std::vector<std::uint8_t> Encode(const ModelDescription& model) {
    ModelWriter writer;
    EXPECT_TRUE(writer.WriteModel(model));
    return writer.Bytes();
}

void PutI32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t value) {
    ASSERT_LE(offset + sizeof(value), bytes.size());
    std::memcpy(&bytes[offset], &value, sizeof(value));
}

class ModelInspectorTest : public ::testing::Test {
protected:
    ToolRun Inspect(const std::vector<std::uint8_t>& bytes,
                    const std::vector<std::string>& options = {}) {
        std::vector<std::string> arguments = options;
        arguments.push_back(directory.Write("model.mdl", bytes));
        return RunTool(VELMORA_MODELINSPECT, arguments);
    }

    // The loader's reason for refusing the bytes; empty when it loads them.
    std::string Reason(const std::vector<std::uint8_t>& bytes) {
        Model model;
        const std::string path = directory.Write("reason.mdl", bytes);
        if (model.Load(path.c_str())) return "";
        return model.FailureReason();
    }

    TemporaryDirectory directory;
};

TEST_F(ModelInspectorTest, AGoodFileIsDescribedInFull) {
    const ToolRun run = Inspect(Encode(Sample()));
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    const std::string expected =
        "radius 3\n"
        "vertices 5, normals 2, texture records 1, materials 2\n"
        "faces 2: 1 triangles (last corner repeated), 1 with texture coordinates\n"
        "extent x -1 .. 1, y -1 .. 2.5, z 0 .. 1; farthest vertex 2.69258 from the origin\n"
        "\n"
        "materials 2\n"
        "  0: colour 1 0.25 0, specular 0.5 0.5 0.5, shininess 32, texture 0 (hull.tga), "
        "1 faces\n"
        "  1: colour 0 0 1, specular 0 0 0, shininess 0, no texture, 1 faces\n"
        "\n"
        "texture records 1\n"
        "  0: hull.tga (values 7, 9)\n"
        "\n"
        "nodes\n"
        "  sample (id 1)\n"
        "    arm (id 2, values 0 0 0 0 0 0 0 0 5, list A 3 values)\n"
        "      hand (id 3)\n"
        "    head (id 4)\n";
    EXPECT_EQ(run.output, "model " + directory.File("model.mdl") + "\n" + expected);

    const ToolRun full = Inspect(Encode(Sample()), {"--full"});
    EXPECT_EQ(full.exitCode, 0);
    EXPECT_EQ(full.output.find("model "), 0u);
    EXPECT_NE(full.output.find(expected), std::string::npos);
    EXPECT_NE(full.output.find("\nvertex list\n  0: -1 -1 0\n"), std::string::npos);
    EXPECT_NE(full.output.find("  4: 0 2.5 1\n"), std::string::npos);
    EXPECT_NE(full.output.find("\nnormal list\n  0: 0 0 1\n  1: 0 0.5 0.8\n"), std::string::npos);
    EXPECT_NE(full.output.find("\nface list\n  0: vertices 0 1 2 3, normals 0 0 0 0, "
                               "set (tag 0) 0 0 0 0 1 0.5 0 0\n"
                               "  1: vertices 3 2 4 4, normals 1 1 1 1\n"),
              std::string::npos)
        << full.output;
}

TEST_F(ModelInspectorTest, WhatLoadsButWouldNotLookRightIsPointedOut) {
    ModelDescription model = Sample();
    model.radius = 2.0f;                   // the farthest vertex is at 2.69
    model.materials[1].faceIndices = {0};  // face 1 is in no material
    std::ostringstream out;
    Model loaded;
    const std::string path = directory.Write("warned.mdl", Encode(model));
    ASSERT_TRUE(loaded.Load(path.c_str()));
    DescribeModel(loaded, out);
    EXPECT_NE(out.str().find("warning: the radius leaves vertices outside"), std::string::npos);
    EXPECT_NE(out.str().find("warning: 1 faces belong to no material"), std::string::npos);

    std::ostringstream clean;
    ASSERT_TRUE(loaded.Load(directory.Write("sample.mdl", Encode(Sample())).c_str()));
    DescribeModel(loaded, clean);
    EXPECT_EQ(clean.str().find("warning"), std::string::npos) << clean.str();
}

TEST_F(ModelInspectorTest, ARefusedFileIsNamedWithTheLoadersReason) {
    const std::vector<std::uint8_t> good = Encode(Sample());

    std::vector<std::uint8_t> truncated(good.begin(), good.end() - 3);
    const ToolRun cut = Inspect(truncated);
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.output, "");
    EXPECT_EQ(cut.errors, "modelinspect: '" + directory.File("model.mdl") +
                              "' is not a model file the program loads: the file ends before "
                              "the list B count of node 3\n");

    ModelDescription badIndex = Sample();
    badIndex.faces[1].vertexIndex[2] = 9;
    const ToolRun bad = Inspect(Encode(badIndex));
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.errors.find(": vertex index 9 of face 1 is outside the 5 vertices\n"),
              std::string::npos)
        << bad.errors;

    const ToolRun absent = RunTool(VELMORA_MODELINSPECT, {directory.File("absent.mdl")});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.errors.find("absent.mdl' is not a model file the program loads: "
                                 "the file cannot be opened"),
              std::string::npos)
        << absent.errors;

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{}, {"a.mdl", "b.mdl"}, {"--bogus", "a.mdl"}}) {
        const ToolRun usage = RunTool(VELMORA_MODELINSPECT, wrong);
        EXPECT_EQ(usage.exitCode, 2);
        EXPECT_NE(usage.errors.find("usage: modelinspect"), std::string::npos);
    }
}

TEST_F(ModelInspectorTest, EachKindOfMalformedFileHasItsOwnReason) {
    const std::vector<std::uint8_t> good = Encode(Sample());
    EXPECT_EQ(Reason(good), "");

    // Offsets in the sample's file: the material count at 4, the first
    // material's texture index at 36 and face count at 40, the texture count
    // at 88, the vertex count at 105, the first face at 201 and its normal
    // indices at 217.
    struct Case {
        std::size_t offset;
        std::int32_t value;
        const char* reason;
    };
    const Case cases[] = {
        {4, -2, "the material count is negative (-2)"},
        {4, 1000, "the material count (1000) needs more than the "},
        {40, 500, "the face count of material 0 (500) needs more than the "},
        {36, 1, "texture index 1 of material 0 is outside the 1 texture records"},
        {88, -1, "the texture record count is negative (-1)"},
        {105, 0x7FFFFFFF, "the vertex count (2147483647) needs more than the "},
        {201, 6, "vertex index 6 of face 0 is outside the 5 vertices"},
        {217, 2, "normal index 2 of face 0 is outside the 2 normals"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = good;
        PutI32(bytes, c.offset, c.value);
        EXPECT_EQ(Reason(bytes).rfind(c.reason, 0), 0u)
            << "at " << c.offset << ": " << Reason(bytes);
    }

    EXPECT_EQ(Reason({}), "the file ends before the material count");
    // Cut short: a count that the rest of the file cannot hold, or the file
    // ending inside what a count does not cover.
    EXPECT_EQ(Reason(std::vector<std::uint8_t>(good.begin(), good.begin() + 60)),
              "the material count (2) needs more than the 52 bytes left in the file");
    EXPECT_EQ(Reason(std::vector<std::uint8_t>(good.begin(), good.begin() + 82)),
              "the file ends before the face count of material 1");
    EXPECT_EQ(Reason(std::vector<std::uint8_t>(good.begin(), good.begin() + 97)),
              "the file ends inside the file name of texture record 0");

    ModelDescription longNames = Sample();
    longNames.textures[0].fileName = std::string(127, 't');
    std::vector<std::uint8_t> bytes = Encode(longNames);
    ASSERT_EQ(bytes[92 + 127], 0);  // the name's terminator
    bytes[92 + 127] = 'x';
    EXPECT_EQ(Reason(bytes),
              "the file name of texture record 0 has no terminator within 128 bytes");

    longNames = Sample();
    longNames.nodes[0].children[1].name = std::string(127, 'h');
    bytes = Encode(longNames);
    const std::size_t terminator = bytes.size() - 12 * 4 - 1;
    ASSERT_EQ(bytes[terminator], 0);
    bytes[terminator] = 'x';
    EXPECT_EQ(Reason(bytes), "the name of node 3 has no terminator within 128 bytes");
}

}  // namespace
