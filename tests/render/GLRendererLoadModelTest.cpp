// Loading models through the renderer. No OpenGL is involved, so the renderer
// is used without a window or a rendering context.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "content/tools/modelwriter/ModelWriter.h"
#include "render/GLRenderer.h"
#include "render/Model.h"
#include "tests/support/TemporaryDirectory.h"

namespace {

TEST(GLRendererLoadModelTest, EachCallReadsANewModelAndBadFilesGiveNone) {
    ModelDescription description;
    description.radius = 2.0f;
    description.vertices = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0)};
    description.nodes.resize(1);
    ModelWriter writer;
    ASSERT_TRUE(writer.WriteModel(description));
    TemporaryDirectory directory;
    const std::string path = directory.Write("model.bin", writer.Bytes());
    const std::string cut =
        directory.Write("cut.bin", writer.Bytes().data(), writer.Bytes().size() - 1);

    GLRenderer glRenderer;
    Renderer& renderer = glRenderer;
    std::unique_ptr<Model> first(renderer.LoadModel(path.c_str()));
    std::unique_ptr<Model> second(renderer.LoadModel(path.c_str()));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first->GetVertices(), second->GetVertices());
    EXPECT_EQ(first->GetRadius(), 2.0f);
    EXPECT_EQ(second->GetVertexCount(), 3);
    EXPECT_EQ(second->GetVertices()[2].y, 1.0f);

    EXPECT_EQ(renderer.LoadModel(directory.File("absent.bin").c_str()), nullptr);
    EXPECT_EQ(renderer.LoadModel(cut.c_str()), nullptr);
}

}  // namespace
