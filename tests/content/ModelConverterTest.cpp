// The model converter: OBJ and MTL files written by the tests go in, model
// descriptions and files come out, and the program's loader takes them.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/tools/modelconvert/ModelConverter.h"
#include "content/tools/modelconvert/TextureFinder.h"
#include "render/Model.h"
#include "render/TgaTexture.h"
#include "tests/content/ToolRun.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TgaFile.h"

namespace {

// A unit square in the z = 0 plane, counter-clockwise seen from +z, and a
// fifth point for polygons of more corners.
const char* const kSquare =
    "v -1 -1 0\n"
    "v 1 -1 0\n"
    "v 1 1 0\n"
    "v -1 1 0\n"
    "v -2 0 0\n";

class ModelConverterTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = directory.File(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Converts the OBJ text (and MTL text, as m.mtl) written as name.
    bool Convert(const std::string& obj, const std::string& mtl = "",
                 const std::string& name = "model.obj") {
        if (!mtl.empty()) Write("m.mtl", mtl);
        return converter.Convert(Write(name, obj));
    }

    const ModelDescription& Model() const { return converter.GetModel(); }

    Vec3 Corner(std::size_t face, int k) const {
        return Model().vertices.at(static_cast<std::size_t>(Model().faces.at(face).vertexIndex[k]));
    }

    Vec3 NormalAt(std::size_t face, int k) const {
        return Model().normals.at(static_cast<std::size_t>(Model().faces.at(face).normalIndex[k]));
    }

    bool HasNoteWith(const std::string& text) const {
        for (const std::string& note : converter.Notes()) {
            if (note.find(text) != std::string::npos) return true;
        }
        return false;
    }

    // Exactly one warning, naming the texture.
    void ExpectOneWarningAbout(const std::string& texture) const {
        ASSERT_EQ(converter.Warnings().size(), 1u);
        EXPECT_NE(converter.Warnings()[0].find("'" + texture + "'"), std::string::npos)
            << converter.Warnings()[0];
    }

    void WriteTga(const std::string& name) {
        directory.Write(name, TgaFile(2, 1, 1, 24, {0, 0, 255}));
    }

    TemporaryDirectory directory;
    ModelConverter converter;
};

void ExpectVec3(const Vec3& actual, float x, float y, float z) {
    EXPECT_FLOAT_EQ(actual.x, x);
    EXPECT_FLOAT_EQ(actual.y, y);
    EXPECT_FLOAT_EQ(actual.z, z);
}

TEST_F(ModelConverterTest, MaterialsKeepColoursSpecularShininessAndTheirTextureMaps) {
    const std::string mtl =
        "newmtl unused\nKd 0 1 0\n"
        "newmtl painted\nKd 1 0.5 0.25\nKs 0.5 0.25 0.125\nNs 32\nmap_Kd skin.tga\n"
        "newmtl plain\nKd 0.125 0.25 0.375\nKs 0 0 0\n"
        "newmtl painted_again\nKd 0 0 1\nmap_Kd skin.tga\n"
        "newmtl glossy\nKd 1 1 1\nNs 500\nmap_Kd photo.png\n";
    const std::string obj = std::string("mtllib m.mtl\n") + kSquare +
                            "usemtl painted\nf 1 2 3 4\n"
                            "usemtl plain\nf 1 2 3\n"
                            "usemtl painted_again\nf 4 3 2 1\nf 1 2 3 4\n"
                            "usemtl glossy\nf 1 3 4\n";
    WriteTga("skin.tga");
    ASSERT_TRUE(Convert(obj, mtl)) << converter.Error();

    // Only the materials that faces use, in the library's order.
    const std::vector<MaterialDescription>& materials = Model().materials;
    ASSERT_EQ(materials.size(), 4u);
    EXPECT_EQ(materials[0].colour[0], 1.0f);
    EXPECT_EQ(materials[0].colour[1], 0.5f);
    EXPECT_EQ(materials[0].colour[2], 0.25f);
    EXPECT_EQ(materials[0].specular[0], 0.5f);
    EXPECT_EQ(materials[0].specular[1], 0.25f);
    EXPECT_EQ(materials[0].specular[2], 0.125f);
    EXPECT_EQ(materials[0].shininess, 32.0f);
    EXPECT_EQ(materials[1].colour[2], 0.375f);
    EXPECT_EQ(materials[2].colour[2], 1.0f);
    EXPECT_EQ(materials[3].shininess, 128.0f);  // OpenGL takes no more
    EXPECT_TRUE(HasNoteWith("shininess 500"));

    // One record per texture file, shared by the materials that name it; a
    // file that is not there is left out.
    ASSERT_EQ(Model().textures.size(), 1u);
    EXPECT_EQ(Model().textures[0].fileName, "model_skin.tga");
    EXPECT_EQ(materials[0].textureIndex, 0);
    EXPECT_EQ(materials[1].textureIndex, -1);
    EXPECT_EQ(materials[2].textureIndex, 0);
    EXPECT_EQ(materials[3].textureIndex, -1);
    ExpectOneWarningAbout("photo.png");

    EXPECT_EQ(materials[0].faceIndices, std::vector<std::int32_t>({0}));
    EXPECT_EQ(materials[1].faceIndices, std::vector<std::int32_t>({1}));
    EXPECT_EQ(materials[2].faceIndices, std::vector<std::int32_t>({2, 3}));
    EXPECT_EQ(materials[3].faceIndices, std::vector<std::int32_t>({4}));
}

TEST_F(ModelConverterTest, TrianglesRepeatTheirLastCornerAndQuadsStayQuads) {
    ASSERT_TRUE(Convert(std::string(kSquare) + "f 1 2 3 4\n"
                                               "f 2 3 4\n"
                                               "f 1 2 3 4 5\n"
                                               "l 1 3\n"))
        << converter.Error();
    // Positions are kept once each, in order of first use.
    ASSERT_EQ(Model().vertices.size(), 5u);
    ASSERT_EQ(Model().faces.size(), 4u);

    const int quad[4] = {0, 1, 2, 3};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(Model().faces[0].vertexIndex[k], quad[k]);
    const int triangle[4] = {1, 2, 3, 3};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(Model().faces[1].vertexIndex[k], triangle[k]);
    // A pentagon: a quad and a triangle fanned around its first corner.
    const int first[4] = {0, 1, 2, 3};
    const int second[4] = {0, 3, 4, 4};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Model().faces[2].vertexIndex[k], first[k]);
        EXPECT_EQ(Model().faces[3].vertexIndex[k], second[k]);
    }
    ExpectVec3(Corner(3, 2), -2, 0, 0);
    ExpectVec3(Corner(1, 0), 1, -1, 0);

    // The line is no face; the user hears of it.
    EXPECT_TRUE(HasNoteWith("1 lines and points"));
    EXPECT_EQ(Model().materials.size(), 1u);
    EXPECT_EQ(Model().materials[0].faceIndices.size(), 4u);

    // A face without area is kept, but the user hears that it never shows.
    ASSERT_TRUE(Convert(std::string(kSquare) + "f 1 2 3\nf 1 2 1\n")) << converter.Error();
    EXPECT_EQ(Model().faces.size(), 2u);
    EXPECT_TRUE(HasNoteWith("1 faces have no area"));

    // Text in UTF-16, byte order mark first, reads as any other.
    std::string utf16 = "\xff\xfe";
    for (char c : std::string(kSquare) + "f 1 2 3 4\n") utf16 += std::string(1, c) + '\0';
    ASSERT_TRUE(converter.Convert(Write("utf16.obj", utf16))) << converter.Error();
    EXPECT_EQ(Model().faces.size(), 1u);
}

TEST_F(ModelConverterTest, PolygonsWithDentsOrHolesAreCutIntoTrianglesCoveringThemOnce) {
    // A square ring as exporters write it (the outline, a seam in, the hole
    // backwards, the seam out) and beside it a dart: a quad with a dent.
    ASSERT_TRUE(
        Convert("v -2 -2 0\nv 2 -2 0\nv 2 2 0\nv -2 2 0\n"
                "v -1 -1 0\nv -1 1 0\nv 1 1 0\nv 1 -1 0\n"
                "v 10 0 0\nv 14 -2 0\nv 12 0 0\nv 14 2 0\n"
                "f 1 2 3 4 1 5 6 7 8 5\nf 9 10 11 12\n"))
        << converter.Error();
    double ring = 0.0, dart = 0.0;
    for (std::size_t f = 0; f < Model().faces.size(); ++f) {
        double area = 0.0, x = 0.0, y = 0.0;  // seen from +z, where both face
        for (int k = 0; k < 4; ++k) {
            const Vec3 a = Corner(f, k), b = Corner(f, (k + 1) % 4);
            area += (a.x * b.y - b.x * a.y) / 2.0;
            x += a.x / 4.0;
            y += a.y / 4.0;
        }
        EXPECT_GT(area, 0.0) << "face " << f;
        EXPECT_EQ(Model().faces[f].vertexIndex[3], Model().faces[f].vertexIndex[2]);
        EXPECT_FALSE(std::abs(x) < 1.0 && std::abs(y) < 1.0) << "face " << f << " in the hole";
        (x < 5.0 ? ring : dart) += area;
    }
    EXPECT_DOUBLE_EQ(ring, 12.0);
    EXPECT_DOUBLE_EQ(dart, 4.0);
    EXPECT_EQ(Model().faces.size(), 10u);
}

TEST_F(ModelConverterTest, NodeTransformsPlaceTheMeshesAndMirrorsKeepFrontsInFront) {
    // A triangle counter-clockwise from +z under a node that mirrors x and
    // moves 10 along it. The positions are three floats (0 0 0, 1 0 0, 0 1 0).
    const std::string gltf = R"({"asset": {"version": "2.0"}, "scene": 0,
        "scenes": [{"nodes": [0]}],
        "nodes": [{"name": "mirror", "scale": [-1, 1, 1], "translation": [10, 0, 0],
                   "mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
        "buffers": [{"byteLength": 36, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}],
        "bufferViews": [{"buffer": 0, "byteLength": 36}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                       "min": [0, 0, 0], "max": [1, 1, 0]}]})";
    ASSERT_TRUE(converter.Convert(Write("mirrored.gltf", gltf))) << converter.Error();
    ASSERT_EQ(Model().faces.size(), 1u);
    // The corners come in reverse order, so that the face still winds
    // counter-clockwise seen from +z, where it still faces.
    ExpectVec3(Corner(0, 0), 10, 1, 0);
    ExpectVec3(Corner(0, 1), 9, 0, 0);
    ExpectVec3(Corner(0, 2), 10, 0, 0);
    ExpectVec3(Corner(0, 3), 10, 0, 0);
    ExpectVec3(NormalAt(0, 0), 0, 0, 1);
    EXPECT_EQ(Model().nodes[0].name, "mirrored");
}

TEST_F(ModelConverterTest, NormalsComeFromTheSourceOrOneOutwardNormalPerFace) {
    // Without normals in the source: counter-clockwise from +z faces +z, the
    // reverse faces -z, and faces in one plane share their normal.
    ASSERT_TRUE(Convert(std::string(kSquare) + "f 1 2 3 4\nf 4 3 2 1\nf 1 2 3\n"))
        << converter.Error();
    ASSERT_EQ(Model().normals.size(), 2u);
    for (int k = 0; k < 4; ++k) {
        ExpectVec3(NormalAt(0, k), 0, 0, 1);
        ExpectVec3(NormalAt(1, k), 0, 0, -1);
        ExpectVec3(NormalAt(2, k), 0, 0, 1);
    }

    // Normals given per corner are kept per corner.
    ASSERT_TRUE(Convert(std::string(kSquare) + "vn 0 0 1\nvn 0.6 0 0.8\nvn 0 0.6 0.8\n"
                                               "f 1//1 2//2 3//3 4//1\n"
                                               "f 1//3 2//2 3//1\n"))
        << converter.Error();
    ASSERT_EQ(Model().normals.size(), 3u);
    ExpectVec3(NormalAt(0, 1), 0.6f, 0, 0.8f);
    ExpectVec3(NormalAt(0, 2), 0, 0.6f, 0.8f);
    ExpectVec3(NormalAt(0, 3), 0, 0, 1);
    ExpectVec3(NormalAt(1, 0), 0, 0.6f, 0.8f);
    ExpectVec3(NormalAt(1, 3), 0, 0, 1);  // the repeated corner repeats its normal
}

TEST_F(ModelConverterTest, TextureCoordinatesBecomeOneSetPerFace) {
    ASSERT_TRUE(Convert(std::string(kSquare) + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                               "f 1/1 2/2 3/3 4/4\n"
                                               "f 1/4 3/2 4/3\n"))
        << converter.Error();
    ASSERT_EQ(Model().faces.size(), 2u);
    for (const FaceDescription& face : Model().faces) {
        ASSERT_EQ(face.sets.size(), 1u);
        EXPECT_EQ(face.sets[0].tag, 0);
    }
    const float quadUv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const float triangleUv[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, 1}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Model().faces[0].sets[0].corners[k].x, quadUv[k][0]);
        EXPECT_EQ(Model().faces[0].sets[0].corners[k].y, quadUv[k][1]);
        EXPECT_EQ(Model().faces[1].sets[0].corners[k].x, triangleUv[k][0]);
        EXPECT_EQ(Model().faces[1].sets[0].corners[k].y, triangleUv[k][1]);
    }

    ASSERT_TRUE(Convert(std::string(kSquare) + "f 1 2 3 4\n")) << converter.Error();
    EXPECT_TRUE(Model().faces[0].sets.empty());
}

TEST_F(ModelConverterTest, NodesFollowTheObjectsUnderARootNamedAfterTheFile) {
    ASSERT_TRUE(
        Convert(std::string(kSquare) + "o body\nf 1 2 3 4\no arm\nf 1 2 3\n", "", "walker.obj"))
        << converter.Error();
    ASSERT_EQ(Model().nodes.size(), 1u);
    const NodeDescription& root = Model().nodes[0];
    EXPECT_EQ(root.name, "walker");
    EXPECT_EQ(root.id, 0);
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].name, "body");
    EXPECT_EQ(root.children[0].id, 1);
    EXPECT_EQ(root.children[1].name, "arm");
    EXPECT_EQ(root.children[1].id, 2);
    EXPECT_TRUE(root.children[0].children.empty());
}

TEST_F(ModelConverterTest, TheRadiusIsTheSmallestFloatThatEnclosesEveryVertex) {
    EXPECT_EQ(EnclosingRadius({}), 0.0f);
    EXPECT_EQ(EnclosingRadius({Vec3(3, 4, 0), Vec3(0, 0, -5), Vec3(1, 1, 1)}), 5.0f);

    // Lengths that fall between two floats round up, never down.
    for (const Vec3& v : {Vec3(1, 1, 1), Vec3(1, 2, 3), Vec3(0.1f, 0.7f, 0.3f),
                          Vec3(-123.456f, 78.9f, 0.001f), Vec3(300, 1e-3f, 17)}) {
        const float radius = EnclosingRadius({Vec3(0.5f, 0, 0), v});
        const double length =
            std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                      static_cast<double>(v.z) * v.z);
        EXPECT_GE(static_cast<double>(radius), length);
        EXPECT_LT(static_cast<double>(std::nextafter(radius, 0.0f)), length);
    }

    // A converted model's radius is measured about the origin, not the centre.
    ASSERT_TRUE(Convert("v 10 0 0\nv 12 0 0\nv 12 2 0\nv 10 2 0\nf 1 2 3 4\n"));
    EXPECT_FLOAT_EQ(Model().radius, std::sqrt(148.0f));
    ConvertOptions doubled;
    doubled.scale = 2.0f;
    ASSERT_TRUE(converter.Convert(directory.File("model.obj"), doubled));
    ExpectVec3(Model().vertices[2], 24, 4, 0);
    EXPECT_FLOAT_EQ(Model().radius, 2.0f * std::sqrt(148.0f));
}

TEST_F(ModelConverterTest, MaterialsWithoutAColourShowTheirTextureAsItIsOrANeutralGrey) {
    // Materials that are no more than a texture's name, as the exporting
    // machine wrote it.
    WriteTga("skin.tga");
    const std::string triangle = "0 0 0 0 0 0 1 0 0\n0 1 0 0 0 0 1 1 0\n0 0 1 0 0 0 1 0 1\n";
    ASSERT_TRUE(converter.Convert(
        Write("model.smd",
              "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\n"
              "end\ntriangles\nC:\\art\\SKIN.TGA\n" +
                  triangle + "missing.png\n" + triangle + "end\n")))
        << converter.Error();
    ASSERT_EQ(Model().materials.size(), 2u);
    EXPECT_EQ(Model().materials[0].textureIndex, 0);
    EXPECT_EQ(Model().textures.at(0).fileName, "model_skin.tga");
    EXPECT_EQ(Model().materials[1].textureIndex, -1);
    ExpectOneWarningAbout("missing.png");
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(Model().materials[0].colour[c], 1.0f);
        EXPECT_EQ(Model().materials[1].colour[c], 0.7f);
    }
}

TEST_F(ModelConverterTest, TexturesBecomeTgaFilesBesideTheModelTheWayUpTheProgramReadsThem) {
    // A square in two halves: one coloured by its PBR base colour, one by a
    // 2 x 2 PNG embedded in the file, red and green on top of blue and white.
    Write("pbr.gltf",
          R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"mesh": 0}], "meshes": [{"primitives": [
            {"attributes": {"POSITION": 0}, "indices": 2, "material": 0},
            {"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2, "material": 1}]}],
        "materials": [{"pbrMetallicRoughness": {"baseColorFactor": [0.25, 0.5, 0.75, 1]}},
                      {"pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}],
        "textures": [{"source": 0}], "images": [{"uri": "data:image/png;base64,)"
          R"(iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEklEQVR42mP4z8DAAMIM/4EAAB/uBfvxq7p3)"
          R"(AAAAAElFTkSuQmCC"}],
        "buffers": [{"byteLength": 92, "uri": "data:application/octet-stream;base64,)"
          R"(AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAACAPwAAgD8AAAAAAAAAAAAAgD8AAAAAAAAAAAAA)"
          R"(gD8AAIA/AACAPwAAgD8AAAAAAAAAAAAAAAAAAAEAAgAAAAIAAwA="}],
        "bufferViews": [{"buffer": 0, "byteLength": 48},
                        {"buffer": 0, "byteOffset": 48, "byteLength": 32},
                        {"buffer": 0, "byteOffset": 80, "byteLength": 12}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3",
                       "min": [0, 0, 0], "max": [1, 1, 0]},
                      {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC2"},
                      {"bufferView": 2, "componentType": 5123, "count": 6, "type": "SCALAR"}]})");
    std::filesystem::create_directory(directory.File("out"));
    const ToolRun run =
        RunTool(VELMORA_MODELCONVERT, {directory.File("pbr.gltf"), directory.File("out/box.mdl")});
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    ::Model loaded;
    ASSERT_TRUE(loaded.Load(directory.File("out/box.mdl").c_str())) << loaded.FailureReason();
    ASSERT_EQ(loaded.GetMaterialCount(), 2);
    EXPECT_EQ(loaded.GetMaterials()[0].colour[2], 0.75f);
    EXPECT_EQ(loaded.GetMaterials()[1].colour[0], 1.0f);
    ASSERT_EQ(loaded.GetMaterials()[1].textureIndex, 0);
    ASSERT_EQ(loaded.GetTextureCount(), 1);
    EXPECT_STREQ(loaded.GetTextures()[0].fileName, "box_texture0.tga");

    // OpenGL takes the first row stored for the bottom of the texture (v = 0).
    TextureRecord record;
    const std::string tga = directory.File("out/box_texture0.tga");
    std::snprintf(record.fileName, sizeof(record.fileName), "%s", tga.c_str());
    TgaTexture texture;
    ASSERT_TRUE(texture.Load(record));
    ASSERT_EQ(texture.bitsPerPixel, 24);
    EXPECT_EQ(std::vector<std::uint8_t>(texture.pixels, texture.pixels + 12),
              std::vector<std::uint8_t>({255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0}));
}

TEST(TextureFinderTest, NamesFromOtherMachinesAreFoundUnderTheModelsFolder) {
    TemporaryDirectory directory;
    std::filesystem::create_directories(directory.File("models/maps"));
    std::filesystem::create_directories(directory.File("shared"));
    for (const char* file : {"models/maps/Skin.png", "models/droplets.tga", "shared/wall.tga"}) {
        directory.Write(file, {1});
    }
    const TextureFinder finder(directory.File("models"));
    const std::pair<const char*, const char*> rows[] = {
        {"maps/Skin.png", "models/maps/Skin.png"},
        {"C:\\Art\\MAPS\\skin.PNG", "models/maps/Skin.png"},  // the tail, in any case
        {"..\\shared\\WALL.tga", "shared/wall.tga"},
        {"//DROPLETS.tga", "models/droplets.tga"},
        {"D:\\elsewhere\\droplets.tga", "models/droplets.tga"},  // beside the model
        {"absent.png", nullptr},
    };
    for (const auto& [name, expected] : rows) {
        const std::filesystem::path found = finder.Find(name);
        if (expected == nullptr) {
            EXPECT_TRUE(found.empty()) << name << " -> " << found;
        } else {
            std::error_code error;
            EXPECT_TRUE(std::filesystem::equivalent(found, directory.File(expected), error))
                << name << " -> " << found;
        }
    }
}

TEST_F(ModelConverterTest, WhatCannotBecomeAModelIsRefusedWithItsReason) {
    EXPECT_FALSE(converter.Convert(directory.File("absent.obj")));
    EXPECT_NE(converter.Error().find("absent.obj"), std::string::npos) << converter.Error();

    EXPECT_FALSE(Convert(std::string(kSquare) + "l 1 2\n"));
    EXPECT_NE(converter.Error().find("no faces"), std::string::npos) << converter.Error();
    EXPECT_TRUE(Model().faces.empty());

    // A texture name longer than a model file holds does not matter: the
    // record names the converted file.
    const std::string longName(130, 'n');
    WriteTga(longName + ".tga");
    EXPECT_TRUE(Convert(std::string("mtllib m.mtl\n") + kSquare + "usemtl long\nf 1 2 3\n",
                        "newmtl long\nKd 1 1 1\nmap_Kd " + longName + ".tga\n"));
    EXPECT_EQ(Model().textures.at(0).fileName, "model_" + std::string(48, 'n') + ".tga");

    // Files that hold no meshes say what they hold instead.
    EXPECT_FALSE(converter.Convert(Write("camera.gltf", R"({"asset": {"version": "2.0"},
        "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"camera": 0}],
        "cameras": [{"type": "perspective", "perspective": {"yfov": 1, "znear": 1}}]})")));
    EXPECT_NE(converter.Error().find("has no meshes: 1 camera"), std::string::npos)
        << converter.Error();
    EXPECT_FALSE(converter.Convert(Write("empty.obj", "")));
    EXPECT_NE(converter.Error().find("is empty"), std::string::npos) << converter.Error();

    Write("noise.xyz", std::string("\x01\x02 not a model \xff", 17));
    EXPECT_FALSE(converter.Convert(directory.File("noise.xyz")));
    EXPECT_NE(converter.Error().find("cannot read"), std::string::npos) << converter.Error();

    ConvertOptions flat;
    flat.scale = 0.0f;
    Write("square.obj", std::string(kSquare) + "f 1 2 3 4\n");
    EXPECT_FALSE(converter.Convert(directory.File("square.obj"), flat));
    EXPECT_NE(converter.Error().find("scale"), std::string::npos) << converter.Error();
}

TEST_F(ModelConverterTest, TheConvertedModelLoadsWithTheProgramsLoader) {
    WriteTga("red.tga");
    ASSERT_TRUE(Convert(std::string("mtllib m.mtl\n") + kSquare +
                            "vt 0 0\nvt 1 1\n"
                            "usemtl red\nf 1/1 2/2 3/1 4/2\nf 5/1 1/2 4/1\n"
                            "usemtl blue\nf 4 3 2 1\n",
                        "newmtl red\nKd 1 0 0\nKs 0.5 0.5 0.5\nNs 10\nmap_Kd red.tga\n"
                        "newmtl blue\nKd 0 0 1\n"))
        << converter.Error();
    ModelWriter writer;
    ASSERT_TRUE(writer.WriteModel(Model()));
    const std::string path = directory.File("model.mdl");
    ASSERT_TRUE(writer.SaveToFile(path));

    ::Model loaded;
    ASSERT_TRUE(loaded.Load(path.c_str())) << loaded.FailureReason();
    EXPECT_STREQ(loaded.FailureReason(), "");
    EXPECT_EQ(loaded.GetRadius(), Model().radius);
    ASSERT_EQ(loaded.GetMaterialCount(), 2);
    EXPECT_EQ(loaded.GetMaterials()[0].colour[0], 1.0f);
    EXPECT_EQ(loaded.GetMaterials()[0].shininess, 10.0f);
    EXPECT_EQ(loaded.GetMaterials()[0].textureIndex, 0);
    EXPECT_EQ(loaded.GetMaterials()[1].textureIndex, -1);
    ASSERT_EQ(loaded.GetTextureCount(), 1);
    EXPECT_STREQ(loaded.GetTextures()[0].fileName, "model_red.tga");
    EXPECT_EQ(loaded.GetVertexCount(), 5);
    ASSERT_EQ(loaded.GetFaceCount(), 3);
    EXPECT_EQ(loaded.GetFaces()[0].setCount, 1);
    EXPECT_EQ(loaded.GetFaces()[2].setCount, 0);
    EXPECT_EQ(loaded.GetFaces()[1].vertexIndex[3], loaded.GetFaces()[1].vertexIndex[2]);
    EXPECT_STREQ(loaded.nodeTree->name, "model");
}

TEST_F(ModelConverterTest, TheToolWritesTheModelOrSaysWhyNotAndExitsAccordingly) {
    const std::string source = Write("square.obj", std::string(kSquare) + "f 1 2 3 4\n");
    const std::string output = directory.File("square.mdl");

    const ToolRun converted = RunTool(VELMORA_MODELCONVERT, {source, output});
    EXPECT_EQ(converted.exitCode, 0) << converted.errors;
    EXPECT_NE(converted.output.find("1 materials, 0 texture records, 4 vertices, 1 normals, "
                                    "1 faces, radius 1.41421"),
              std::string::npos)
        << converted.output;
    ASSERT_TRUE(converter.Convert(source));
    ModelWriter writer;
    ASSERT_TRUE(writer.WriteModel(Model()));
    const std::string bytes = ReadWholeFile(output);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), writer.Bytes());

    const ToolRun scaled = RunTool(VELMORA_MODELCONVERT, {"--scale", "3", source, output});
    EXPECT_EQ(scaled.exitCode, 0) << scaled.errors;
    EXPECT_NE(scaled.output.find("radius 4.24264"), std::string::npos) << scaled.output;

    const std::string missingOutput = directory.File("missing.mdl");
    const ToolRun missing =
        RunTool(VELMORA_MODELCONVERT, {directory.File("missing.obj"), missingOutput});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.errors.find("missing.obj"), std::string::npos) << missing.errors;
    EXPECT_FALSE(std::filesystem::exists(missingOutput));

    const ToolRun unwritable =
        RunTool(VELMORA_MODELCONVERT, {source, directory.File("no/such/dir/out.mdl")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.errors.find("cannot write"), std::string::npos) << unwritable.errors;

    for (const std::vector<std::string>& wrong : {std::vector<std::string>{},
                                                  {source},
                                                  {source, output, output},
                                                  {"--scale", "-1", source, output},
                                                  {"--scale"},
                                                  {"--bogus", source, output}}) {
        const ToolRun usage = RunTool(VELMORA_MODELCONVERT, wrong);
        EXPECT_EQ(usage.exitCode, 2);
        EXPECT_NE(usage.errors.find("usage: modelconvert"), std::string::npos) << usage.errors;
    }
}

}  // namespace
