// The material side of a model instance on a real rendering context: what its display lists do
// to OpenGL's material state and how long they live.
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "math/MathConstants.h"
#include "render/MaterialDrawable.h"
#include "render/ModelInstance.h"
#include "tests/render/ModelDrawingFixture.h"

namespace {

class MaterialDrawableTest : public ModelDrawingFixture {
protected:
    static MaterialDescription Shiny(float shininess, Vec3 specular, Vec3 colour) {
        MaterialDescription material = MaterialOf(colour, -1, {0});
        material.shininess = shininess;
        material.specular[0] = specular.x;
        material.specular[1] = specular.y;
        material.specular[2] = specular.z;
        return material;
    }

    // Calls the list and checks the front material OpenGL then holds.
    static void ExpectListSets(GLuint list, const MaterialDescription& expected) {
        ASSERT_TRUE(glIsList(list));
        glCallList(list);
        GLfloat shininess = 0;
        GLfloat specular[4] = {};
        GLfloat diffuse[4] = {};
        glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
        glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
        glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        EXPECT_FLOAT_EQ(shininess, expected.shininess);
        for (int c = 0; c < 3; ++c) {
            EXPECT_FLOAT_EQ(specular[c], expected.specular[c]) << c;
            EXPECT_FLOAT_EQ(diffuse[c], expected.colour[c]) << c;
        }
    }
};

TEST_F(MaterialDrawableTest, EachMaterialHasAListOfItsStateUntilRebuiltOrDestroyed) {
    ModelDescription two;
    AddSquare(two, kZeroVec3);
    two.materials = {Shiny(10, Vec3(0.1f, 0.2f, 0.3f), Vec3(0.4f, 0.5f, 0.6f)),
                     Shiny(64, Vec3(0.7f, 0.8f, 0.9f), Vec3(0.25f, 0.5f, 0.75f))};
    ModelDescription one = two;
    one.materials = {Shiny(20, Vec3(0.5f, 0.5f, 0.5f), Vec3(0, 0, 1))};
    std::unique_ptr<Model> first = Load(two);
    std::unique_ptr<Model> second = Load(one);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    GLuint kept = 0;
    {
        ModelInstance instance;
        ASSERT_TRUE(instance.Build(first.get()));
        ASSERT_EQ(instance.materialCount, 2);
        ASSERT_NE(instance.displayLists, nullptr);
        EXPECT_NE(instance.materials, first->materials);
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            // The copy shares the model's face list rather than duplicating it.
            EXPECT_EQ(instance.materials[i].faceIndices, first->materials[i].faceIndices);
            ExpectListSets(instance.displayLists[i], two.materials[i]);
        }

        const std::vector<GLuint> old(instance.displayLists, instance.displayLists + 2);
        ASSERT_TRUE(instance.Build(second.get()));
        ASSERT_EQ(instance.materialCount, 1);
        kept = instance.displayLists[0];
        for (GLuint name : old) {
            if (name != kept) {
                EXPECT_FALSE(glIsList(name)) << name;
            }
        }
        ExpectListSets(kept, one.materials[0]);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    EXPECT_FALSE(glIsList(kept));
}

TEST_F(MaterialDrawableTest, WithoutACurrentContextNoListsAreKeptAndNothingIsDrawn) {
    ModelDescription description;
    AddSquare(description, kZeroVec3);
    description.materials = {MaterialOf(Vec3(1, 1, 1), -1, {0})};
    std::unique_ptr<Model> model = Load(description);
    ASSERT_NE(model, nullptr);
    ModelInstance instance;

    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    const bool built = instance.Build(model.get());
    ASSERT_TRUE(wglMakeCurrent(renderer.deviceContext, renderer.renderContext));
    EXPECT_FALSE(built);
    EXPECT_EQ(instance.displayLists, nullptr);
    instance.Draw(model.get(), viewer.get(), kIdentityTransform);
    EXPECT_EQ(PixelAt(kZeroVec3)[0], 0);

    // Built again with the context current, it draws.
    ASSERT_TRUE(instance.Build(model.get()));
    instance.Draw(model.get(), viewer.get(), kIdentityTransform);
    EXPECT_EQ(PixelAt(kZeroVec3)[0], 255);
}

}  // namespace
