// Loading models through the renderer: no OpenGL is involved, so the renderer
// is used without a window or a rendering context.
#include "render/GLRenderer.h"

#include "render/Model.h"
#include "tests/support/TemporaryDirectory.h"
#include "tools/modelwriter/ModelWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

ModelDescription OneQuad() {
    ModelDescription model;
    model.radius = 2.0f;
    MaterialDescription material;
    material.faceIndices = {0};
    model.materials.push_back(material);
    model.vertices = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0), Vec3(-1, 1, 0)};
    model.normals = {Vec3(0, 0, 1)};
    model.faces.resize(1);
    for (int k = 0; k < 4; ++k) model.faces[0].vertexIndex[k] = k;
    NodeDescription node;
    node.name = "quad";
    model.nodes.push_back(node);
    return model;
}

TEST(GLRendererLoadModelTest, EachCallReadsTheFileIntoANewModel) {
    TemporaryDirectory directory;
    ModelWriter writer;
    ASSERT_TRUE(writer.WriteModel(OneQuad()));
    const std::string path = directory.Write("quad.bin", writer.Bytes());

    GLRenderer glRenderer;
    Renderer& renderer = glRenderer;
    std::unique_ptr<Model> first(renderer.LoadModel(path.c_str()));
    std::unique_ptr<Model> second(renderer.LoadModel(path.c_str()));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->GetRadius(), 2.0f);
    EXPECT_EQ(first->GetFaceCount(), 1);
    EXPECT_EQ(first->GetVertexCount(), 4);
    EXPECT_EQ(second->GetVertices()[2].y, 1.0f);
}

TEST(GLRendererLoadModelTest, MissingAndMalformedFilesGiveNoModel) {
    TemporaryDirectory directory;
    ModelWriter writer;
    ASSERT_TRUE(writer.WriteModel(OneQuad()));
    const std::vector<std::uint8_t>& bytes = writer.Bytes();

    GLRenderer renderer;
    EXPECT_EQ(renderer.LoadModel(directory.File("absent.bin").c_str()), nullptr);
    const std::string truncated = directory.Write("cut.bin", bytes.data(), bytes.size() - 1);
    EXPECT_EQ(renderer.LoadModel(truncated.c_str()), nullptr);
}

}  // namespace
