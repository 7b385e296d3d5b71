// The renderer's texture operations on a real window and context: which
// records of a model get textures, where loading stops, what FreeTextures
// deletes, and a textured model on screen. Texture file names are relative to
// the working directory, so each test works inside a directory of its own.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/tools/modelwriter/ModelWriter.h"
#include "render/DrawableHandle.h"
#include "render/GLRenderer.h"
#include "render/Model.h"
#include "scene/Camera.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestWindow.h"
#include "tests/support/TgaFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr GLuint kUntouched = 4242;

// A 2 x 2 picture; its first row is the bottom of the texture.
const Bytes kFourColours = {0,   0, 255, 0,   255, 0,     // red, green
                            255, 0, 0,   255, 255, 255};  // blue, white

class GLRendererTextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(directory.Exists());
        previous = std::filesystem::current_path();
        std::filesystem::current_path(directory.File(""));
        ASSERT_TRUE(window.Create(64, 64)) << "the tests need an X display";
        ASSERT_TRUE(renderer.Create(window.Handle(), GetModuleHandleA(nullptr), 64, 64, 32, false));
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        renderer.Release();
        window.Close();
        std::filesystem::current_path(previous);
    }

    // A model whose records name these files, loaded as the program loads it.
    std::unique_ptr<Model> ModelNaming(const std::vector<std::string>& fileNames,
                                       ModelDescription description = ModelDescription()) {
        for (const std::string& name : fileNames) description.textures.push_back({name, 0, 0});
        if (description.nodes.empty()) description.nodes.resize(1);
        ModelWriter writer;
        EXPECT_TRUE(writer.WriteModel(description));
        directory.Write("model.bin", writer.Bytes());
        return std::unique_ptr<Model>(renderer.LoadModel("model.bin"));
    }

    void WriteTexture(const std::string& name) {
        directory.Write(name, TgaFile(2, 2, 2, 24, kFourColours));
    }

    TemporaryDirectory directory;
    std::filesystem::path previous;
    TestWindow window;
    GLRenderer renderer;
};

TEST_F(GLRendererTextureTest, TgaRecordsGetTexturesAndOtherRecordsAreLeftAlone) {
    const std::vector<std::string> names = {"upper.TGA", "mixed.Tga", "picture.bmp", "picture.tgax",
                                            "tga",       "lower.tga", "old.tga.bak"};
    for (const std::string& name : names) WriteTexture(name);
    std::unique_ptr<Model> model = ModelNaming(names);
    ASSERT_NE(model, nullptr);
    TextureRecord* records = model->GetTextures();
    for (int i = 0; i < model->GetTextureCount(); ++i) records[i].glName = kUntouched;

    EXPECT_TRUE(renderer.LoadTextures(model.get()));
    for (int i : {0, 1, 5}) {
        SCOPED_TRACE(names[i]);
        EXPECT_NE(records[i].glName, kUntouched);
        EXPECT_TRUE(glIsTexture(records[i].glName));
    }
    for (int i : {2, 3, 4, 6}) EXPECT_EQ(records[i].glName, kUntouched) << names[i];
    EXPECT_NE(records[0].glName, records[1].glName);
    EXPECT_NE(records[1].glName, records[5].glName);

    // The loader's defaults: mipmapped, no alpha.
    glBindTexture(GL_TEXTURE_2D, records[5].glName);
    GLint format = 0;
    GLint smallest = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &smallest);
    EXPECT_EQ(format, GL_RGB8);
    EXPECT_EQ(smallest, 1);
}

TEST_F(GLRendererTextureTest, AFileThatCannotBeReadStopsTheLoading) {
    struct Case {
        std::string what;
        Bytes file;
    };
    const Bytes pixels(12, 1);
    std::vector<Case> cases;
    TgaHeader header = MakeTgaHeader(2, 2, 2, 24);
    header.colourMapType = 1;
    cases.push_back({"colour map", TgaFile(header, pixels)});
    header = MakeTgaHeader(2, 2, 2, 24);
    header.xOrigin = 3;
    cases.push_back({"x origin", TgaFile(header, pixels)});
    header = MakeTgaHeader(2, 2, 2, 24);
    header.yOrigin = 3;
    cases.push_back({"y origin", TgaFile(header, pixels)});
    for (int type : {1, 3, 9, 11}) {
        cases.push_back({"type " + std::to_string(type), TgaFile(type, 2, 2, 24, pixels)});
    }
    cases.push_back({"depth 8", TgaFile(2, 2, 2, 8, pixels)});
    cases.push_back({"depth 15", TgaFile(2, 2, 2, 15, pixels)});
    cases.push_back({"width 0", TgaFile(2, 0, 2, 24, pixels)});
    cases.push_back({"negative height", TgaFile(10, 2, -2, 24, pixels)});
    cases.push_back({"pixels missing", TgaFile(2, 2, 2, 24, Bytes(11, 1))});

    WriteTexture("first.tga");
    WriteTexture("later.tga");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        directory.Write("bad.tga", c.file);
        std::unique_ptr<Model> model = ModelNaming({"first.tga", "bad.tga", "later.tga"});
        ASSERT_NE(model, nullptr);
        EXPECT_FALSE(renderer.LoadTextures(model.get()));
        EXPECT_TRUE(glIsTexture(model->GetTextures()[0].glName));
        EXPECT_EQ(model->GetTextures()[1].glName, 0u);
        EXPECT_EQ(model->GetTextures()[2].glName, 0u);
        renderer.FreeTextures(model.get());
    }

    std::unique_ptr<Model> model = ModelNaming({"absent.tga", "later.tga"});
    EXPECT_FALSE(renderer.LoadTextures(model.get()));
    EXPECT_EQ(model->GetTextures()[1].glName, 0u);
}

TEST_F(GLRendererTextureTest, FreeTexturesDeletesEveryNameOfTheModel) {
    WriteTexture("a.tga");
    WriteTexture("b.tga");
    std::unique_ptr<Model> model = ModelNaming({"a.tga", "b.tga"});
    std::unique_ptr<Model> other = ModelNaming({"a.tga"});
    ASSERT_TRUE(renderer.LoadTextures(model.get()));
    ASSERT_TRUE(renderer.LoadTextures(other.get()));
    const GLuint first = model->GetTextures()[0].glName;
    const GLuint second = model->GetTextures()[1].glName;

    renderer.FreeTextures(model.get());
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_FALSE(glIsTexture(second));
    EXPECT_EQ(model->GetTextures()[0].glName, first);  // the records keep the old names
    EXPECT_TRUE(glIsTexture(other->GetTextures()[0].glName));
    EXPECT_TRUE(glIsTexture(renderer.whiteTexture));

    // A model without records deletes nothing and asks nothing wrong of OpenGL.
    std::unique_ptr<Model> none = ModelNaming({});
    ASSERT_NE(none, nullptr);
    ASSERT_EQ(none->GetTextureCount(), 0);
    renderer.FreeTextures(none.get());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(glIsTexture(other->GetTextures()[0].glName));
    EXPECT_TRUE(glIsTexture(renderer.whiteTexture));
}

TEST_F(GLRendererTextureTest, AModelDrawsWithItsTexturesColours) {
    // One quad filling the view from (0, 0, 1) at 90 degrees, texture
    // coordinates running over the whole picture.
    ModelDescription description;
    MaterialDescription material;
    material.colour[0] = material.colour[1] = material.colour[2] = 1.0f;
    material.textureIndex = 0;
    material.faceIndices = {0};
    description.materials = {material};
    description.vertices = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0), Vec3(-1, 1, 0)};
    description.normals = {Vec3(0, 0, 1)};
    FaceDescription face;
    face.vertexIndex[0] = 0;
    face.vertexIndex[1] = 1;
    face.vertexIndex[2] = 2;
    face.vertexIndex[3] = 3;
    TexCoordSetDescription set;
    set.corners[0] = Vec2(0, 0);
    set.corners[1] = Vec2(1, 0);
    set.corners[2] = Vec2(1, 1);
    set.corners[3] = Vec2(0, 1);
    face.sets = {set};
    description.faces = {face};
    WriteTexture("quad.tga");
    std::unique_ptr<Model> model = ModelNaming({"quad.tga"}, description);
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(renderer.LoadTextures(model.get()));

    std::unique_ptr<DrawableHandle> instance(renderer.CreateInstance(model.get()));
    std::unique_ptr<Camera> camera(renderer.CreateCamera());
    ASSERT_NE(instance, nullptr);
    ASSERT_NE(camera, nullptr);
    camera->MoveTo(Vec3(0, 0, 1), true);
    renderer.BeginFrame();
    camera->ApplyView();
    static_cast<Drawable*>(instance.get())->Draw(model.get(), camera.get(), Transform());

    // Quarters of the window, bottom row first: red, green; blue, white. The
    // light dims every channel alike, so each shows as its colour.
    struct Quarter {
        int x;
        int y;
        bool red;
        bool green;
        bool blue;
    };
    const Quarter quarters[] = {{16, 16, true, false, false},
                                {48, 16, false, true, false},
                                {16, 48, false, false, true},
                                {48, 48, true, true, true}};
    for (const Quarter& q : quarters) {
        SCOPED_TRACE(testing::Message() << "pixel (" << q.x << ", " << q.y << ")");
        const std::array<std::uint8_t, 4> pixel = window.PixelAt(q.x, q.y);
        const bool lit[3] = {q.red, q.green, q.blue};
        for (int channel = 0; channel < 3; ++channel) {
            if (lit[channel]) {
                EXPECT_GT(pixel[channel], 150) << "channel " << channel;
            } else {
                EXPECT_LT(pixel[channel], 30) << "channel " << channel;
            }
        }
    }
}

}  // namespace
