// Drawing instances made by the renderer, used the way the program uses them: handed to a
// placed object, which the renderer draws for the camera.
#include <list>
#include <memory>

#include <gtest/gtest.h>

#include "render/DrawableHandle.h"
#include "render/GLRenderer.h"
#include "tests/render/ModelDrawingFixture.h"

namespace {

class Prop : public Object3D {
public:
    Object3D* Clone() override { return new Prop(*this); }
    const void* GetTypeId() const override { return &kind; }

private:
    static const char kind;
};
const char Prop::kind = 0;

class GLRendererCreateInstanceTest : public ModelDrawingFixture {};

TEST_F(GLRendererCreateInstanceTest, TheInstanceDrawsTheObjectsModelWhereTheObjectStands) {
    ModelDescription description;
    AddSquare(description, kZeroVec3);
    description.materials = {MaterialOf(Vec3(1, 1, 1), -1, {0})};
    std::unique_ptr<Model> model = Load(description);
    ASSERT_NE(model, nullptr);
    std::unique_ptr<DrawableHandle> instance(renderer.CreateInstance(model.get()));
    std::unique_ptr<DrawableHandle> empty(renderer.CreateInstance(nullptr));
    ASSERT_NE(instance, nullptr);
    ASSERT_NE(empty, nullptr);

    Prop shown;
    shown.SetModel(model.get());
    shown.SetRenderInstance(instance.get());
    shown.SetPosition(Vec3(2, 1, 0));
    Prop blank;
    blank.SetModel(model.get());
    blank.SetRenderInstance(empty.get());
    blank.SetPosition(Vec3(-2, -1, 0));
    std::list<Object3D*> objects = {&shown, &blank};
    renderer.DrawObjects(objects, viewer.get());

    EXPECT_EQ(PixelAt(Vec3(2, 1, 0))[1], 255);
    EXPECT_EQ(PixelAt(kZeroVec3)[1], 0);
    EXPECT_EQ(PixelAt(Vec3(-2, -1, 0))[1], 0);
}

}  // namespace
