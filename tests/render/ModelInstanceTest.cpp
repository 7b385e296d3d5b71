// Model drawing on a real rendering context. What OpenGL received is read back in feedback mode
// (window positions, lit colours and texture coordinates, in the order sent) or as pixels.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "math/Mat4.h"
#include "math/MathConstants.h"
#include "render/ModelInstance.h"
#include "tests/render/ModelDrawingFixture.h"

namespace {

// One vertex as feedback mode reports it.
struct FedVertex {
    float window[3];
    float colour[4];
    float texture[4];
};
using FedPolygon = std::vector<FedVertex>;
// Squares as drawn, in order: (which square, brightest channel of its lit colour: 0 red,
// 1 green, 2 blue).
using Drawn = std::vector<std::pair<int, int>>;

float AreaOf(const std::vector<Vec3>& outline) {
    float twice = 0.0f;
    for (size_t i = 0; i < outline.size(); ++i) {
        const Vec3& a = outline[i];
        const Vec3& b = outline[(i + 1) % outline.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::fabs(twice) * 0.5f;
}

class ModelInstanceTest : public ModelDrawingFixture {
protected:
    // Runs draw in feedback mode and returns the polygons OpenGL received.
    static std::vector<FedPolygon> Feedback(const std::function<void()>& draw) {
        std::vector<GLfloat> buffer(1 << 14);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        EXPECT_GE(used, 0) << "the feedback buffer overflowed";
        std::vector<FedPolygon> polygons;
        size_t i = 0;
        auto next = [&] { return buffer[i++]; };
        while (i < static_cast<size_t>(std::max(used, 0))) {
            if (next() != GL_POLYGON_TOKEN) {
                ADD_FAILURE() << "feedback holds something other than polygons";
                break;
            }
            FedPolygon polygon(static_cast<size_t>(next()));
            for (FedVertex& vertex : polygon) {
                for (float& value : vertex.window) value = next();
                for (float& value : vertex.colour) value = next();
                for (float& value : vertex.texture) value = next();
            }
            polygons.push_back(polygon);
        }
        return polygons;
    }

    // Which corner of square the vertex was, by window position; -1 for none.
    static int CornerOf(const FedVertex& vertex, const Corners& square) {
        for (int k = 0; k < 4; ++k) {
            const Vec3 window = Project(square[k]);
            if (std::fabs(window.x - vertex.window[0]) < 0.5f &&
                std::fabs(window.y - vertex.window[1]) < 0.5f) {
                return k;
            }
        }
        return -1;
    }

    // OpenGL may split a quad into smaller polygons, but each piece must list the square's
    // corners in the square's own cyclic order, or the corners were sent out of order. Runs of
    // pieces of one square in one colour count as many draws as they cover the square.
    static Drawn DrawnSquares(const std::vector<FedPolygon>& polygons,
                              const std::vector<Corners>& squares) {
        Drawn drawn;
        std::pair<int, int> run(-1, -1);
        float covered = 0.0f;
        auto endRun = [&] {
            if (run.first < 0) return;
            std::vector<Vec3> outline;
            for (Vec3 const& corner : squares[run.first]) outline.push_back(Project(corner));
            long times = std::lround(covered / AreaOf(outline));
            for (long t = 0; t < times; ++t) drawn.push_back(run);
        };
        for (const FedPolygon& polygon : polygons) {
            int square = -1;
            std::vector<int> corners;
            for (size_t s = 0; s < squares.size() && square < 0; ++s) {
                corners.clear();
                for (const FedVertex& vertex : polygon)
                    corners.push_back(CornerOf(vertex, squares[s]));
                if (std::count(corners.begin(), corners.end(), -1) == 0)
                    square = static_cast<int>(s);
            }
            if (square < 0) {
                ADD_FAILURE() << "a polygon that is no part of any expected square";
                continue;
            }
            std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()),
                        corners.end());
            EXPECT_TRUE(std::is_sorted(corners.begin(), corners.end()) &&
                        std::adjacent_find(corners.begin(), corners.end()) == corners.end())
                << "corners out of order in square " << square;

            const float* colour = polygon[0].colour;
            const int brightest = static_cast<int>(std::max_element(colour, colour + 3) - colour);
            if (std::make_pair(square, brightest) != run) {
                endRun();
                run = {square, brightest};
                covered = 0.0f;
            }
            std::vector<Vec3> outline;
            for (const FedVertex& vertex : polygon) {
                outline.push_back(Vec3(vertex.window[0], vertex.window[1], 0));
            }
            covered += AreaOf(outline);
        }
        endRun();
        return drawn;
    }

    static Vec3 Place(const Transform& placement, const Vec3& p) {
        return placement.xAxis * p.x + placement.yAxis * p.y + placement.zAxis * p.z +
               placement.translation;
    }

    // A 1 x 1 texture of one colour.
    static GLuint MakeTexture(GLubyte red, GLubyte green, GLubyte blue) {
        GLuint name = 0;
        const GLubyte texel[3] = {red, green, blue};
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
        return name;
    }

    static GLuint BoundTexture() {
        GLint name = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        return static_cast<GLuint>(name);
    }
};

TEST_F(ModelInstanceTest, SquareFacingTheViewerGoesOutCornerByCornerWithItsFirstCoordinateSet) {
    ModelDescription description;
    AddSquare(description, kZeroVec3, 1.0f);      // (-1,-1), (1,-1), (1,1), (-1,1) at z = 0
    AddSquare(description, Vec3(3, 0, 0), 1.0f);  // without coordinate sets
    // Each corner's normal turns further from the light, so its lit colour tells which it got.
    description.normals = {Vec3(0, 0, 1), Vec3(0, 0.6f, 0.8f), Vec3(0.8f, 0, 0.6f), Vec3(1, 0, 0)};
    for (FaceDescription& face : description.faces) {
        for (int k = 0; k < 4; ++k) face.normalIndex[k] = k;
    }
    TexCoordSetDescription first;
    TexCoordSetDescription second;
    for (int k = 0; k < 4; ++k) {
        first.corners[k] = Vec2(0.1f + 0.2f * k, 0.2f + 0.2f * k);
        second.corners[k] = Vec2(0.9f, 0.9f);
    }
    description.faces[0].sets = {first, second};
    description.materials = {MaterialOf(Vec3(0.5f, 0.5f, 0.5f), -1, {0, 1})};
    std::unique_ptr<Model> model = Load(description);
    ASSERT_NE(model, nullptr);
    ModelInstance instance;
    ASSERT_TRUE(instance.Build(model.get()));

    const std::vector<Corners> squares = {SquareAt(kZeroVec3, 1.0f), SquareAt(Vec3(3, 0, 0), 1.0f)};
    const std::vector<FedPolygon> polygons =
        Feedback([&] { instance.Draw(model.get(), viewer.get(), kIdentityTransform); });
    EXPECT_EQ(DrawnSquares(polygons, squares), (Drawn{{0, 0}, {1, 0}}));

    float lit[4] = {-1, -1, -1, -1};
    for (const FedPolygon& polygon : polygons) {
        for (const FedVertex& vertex : polygon) {
            const int k = CornerOf(vertex, squares[0]);
            // The square without sets sends none: it keeps the last coordinates sent.
            const Vec2 expected = k >= 0 ? first.corners[k] : first.corners[3];
            EXPECT_NEAR(vertex.texture[0], expected.x, 1e-6f) << "corner " << k;
            EXPECT_NEAR(vertex.texture[1], expected.y, 1e-6f) << "corner " << k;
            if (k >= 0) lit[k] = vertex.colour[0];
        }
    }
    EXPECT_GT(lit[0], lit[1]);
    EXPECT_GT(lit[1], lit[2]);
    EXPECT_GT(lit[2], lit[3]);
    EXPECT_GE(lit[3], 0.0f);
}

TEST_F(ModelInstanceTest, FacesTurnedAwayFromTheCameraOrSeenEdgeOnAreSkipped) {
    ModelDescription description;
    AddSquare(description, kZeroVec3, 1.0f);
    description.materials = {MaterialOf(Vec3(1, 0, 0), -1, {0})};
    std::unique_ptr<Model> model = Load(description);
    ASSERT_NE(model, nullptr);
    ModelInstance instance;
    ASSERT_TRUE(instance.Build(model.get()));
    // Only the camera's position decides; the view stays the viewer's, which sees every case.
    std::unique_ptr<Camera> camera(renderer.CreateCamera());

    const Transform towardsX(Vec3(0, 0, -1), Vec3(0, 1, 0), Vec3(1, 0, 0), Vec3(-2, 0, 0));
    const Transform awayX(towardsX.xAxis, towardsX.yAxis, towardsX.zAxis, Vec3(2, 0, 0));
    const Transform halfTurn(Vec3(-1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, -1), kZeroVec3);
    struct Case {
        const char* what;
        Transform placement;
        Vec3 eye;
        bool drawn;
    } const cases[] = {
        {"in front", kIdentityTransform, Vec3(0, 0, 5), true},
        {"just in front", kIdentityTransform, Vec3(0, 0, 0.01f), true},
        {"behind", kIdentityTransform, Vec3(0, 0, -5), false},
        {"edge-on", kIdentityTransform, Vec3(3, 7, 0), false},
        {"turned to +x, camera on that side", towardsX, Vec3(0, 0, 5), true},
        {"turned to +x, camera on the other side", awayX, Vec3(0, 0, 5), false},
        {"turned half round, camera before its old side", halfTurn, Vec3(0, 0, 5), false},
        {"turned half round, camera behind", halfTurn, Vec3(0, 0, -5), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        camera->SetPosition(c.eye);
        Corners placed;
        for (int k = 0; k < 4; ++k) placed[k] = Place(c.placement, SquareAt(kZeroVec3, 1.0f)[k]);
        const std::vector<FedPolygon> polygons =
            Feedback([&] { instance.Draw(model.get(), camera.get(), c.placement); });
        const Drawn expected = c.drawn ? Drawn{{0, 0}} : Drawn{};
        EXPECT_EQ(DrawnSquares(polygons, {placed}), expected);
    }
}

TEST_F(ModelInstanceTest, MaterialsAndTheirFacesAreDrawnInListOrderRepeatsIncluded) {
    ModelDescription description;
    std::vector<Corners> squares;
    for (float x : {-3.0f, 0.0f, 3.0f}) {
        AddSquare(description, Vec3(x, 0, 0));
        squares.push_back(SquareAt(Vec3(x, 0, 0), 0.8f));
    }
    description.materials = {MaterialOf(Vec3(1, 0, 0), -1, {2, 0}),
                             MaterialOf(Vec3(0, 1, 0), -1, {1, 1}),
                             MaterialOf(Vec3(0, 0, 1), -1, {0})};
    std::unique_ptr<Model> model = Load(description);
    ASSERT_NE(model, nullptr);
    ModelInstance instance;
    ASSERT_TRUE(instance.Build(model.get()));

    const std::vector<FedPolygon> polygons =
        Feedback([&] { instance.Draw(model.get(), viewer.get(), kIdentityTransform); });
    EXPECT_EQ(DrawnSquares(polygons, squares), (Drawn{{2, 0}, {0, 0}, {1, 1}, {1, 1}, {0, 2}}));
}

TEST_F(ModelInstanceTest, EachMaterialDrawsWithItsTextureAndUntexturedOnesWithTheWhiteTexture) {
    const GLuint red = MakeTexture(255, 0, 0);
    const GLuint green = MakeTexture(0, 255, 0);
    const GLuint blue = MakeTexture(0, 0, 255);
    ModelDescription description;
    std::vector<Vec3> centres;
    for (int i = 0; i < 6; ++i) {
        centres.push_back(Vec3(-5.0f + 2.0f * i, 0, 0));
        AddSquare(description, centres.back());
    }
    description.textures.resize(3);
    const Vec3 white(1, 1, 1);
    description.materials = {MaterialOf(white, 0, {0}), MaterialOf(white, 0, {1}),
                             MaterialOf(white, 1, {2}), MaterialOf(white, -1, {3}),
                             MaterialOf(white, 2, {4}), MaterialOf(white, 0, {5})};
    std::unique_ptr<Model> model = Load(description);
    ASSERT_NE(model, nullptr);
    // What uploading the model's textures leaves in its records.
    model->textures[0].glName = red;
    model->textures[1].glName = green;
    model->textures[2].glName = blue;
    ModelInstance instance;
    ASSERT_TRUE(instance.Build(model.get()));

    using Pixel = std::array<std::uint8_t, 4>;
    const std::vector<Pixel> expected = {{255, 0, 0, 255},     {255, 0, 0, 255}, {0, 255, 0, 255},
                                         {255, 255, 255, 255}, {0, 0, 255, 255}, {255, 0, 0, 255}};
    // The second frame starts with another texture bound, as after drawing another object.
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        NewFrame();
        glBindTexture(GL_TEXTURE_2D, blue);
        instance.Draw(model.get(), viewer.get(), kIdentityTransform);
        for (size_t i = 0; i < centres.size(); ++i) {
            EXPECT_EQ(PixelAt(centres[i]), expected[i]) << "square " << i;
        }
        EXPECT_EQ(BoundTexture(), red);
    }
    const GLuint names[3] = {red, green, blue};
    glDeleteTextures(3, names);
}

TEST_F(ModelInstanceTest, EmptyModelsAndMissingArgumentsDrawNothingAndLeaveTheMatrixAlone) {
    ModelDescription noMaterials;
    AddSquare(noMaterials, kZeroVec3);
    ModelDescription noFaces = noMaterials;
    noFaces.materials = {MaterialOf(Vec3(1, 1, 1), -1, {})};
    std::unique_ptr<Model> withoutMaterials = Load(noMaterials);
    std::unique_ptr<Model> withoutFaces = Load(noFaces);
    ASSERT_NE(withoutMaterials, nullptr);
    ASSERT_NE(withoutFaces, nullptr);
    ModelInstance bare;
    ModelInstance faceless;
    EXPECT_TRUE(bare.Build(withoutMaterials.get()));
    EXPECT_TRUE(faceless.Build(withoutFaces.get()));

    Mat4 before;
    glGetFloatv(GL_MODELVIEW_MATRIX, before.m);
    const Transform moved(kUnitXVec3, kUnitYVec3, kUnitZVec3, Vec3(1, 2, 3));
    EXPECT_TRUE(Feedback([&] {
                    bare.Draw(withoutMaterials.get(), viewer.get(), moved);
                    faceless.Draw(withoutFaces.get(), viewer.get(), moved);
                    faceless.Draw(nullptr, viewer.get(), moved);
                    faceless.Draw(withoutFaces.get(), nullptr, moved);
                }).empty());
    Mat4 after;
    glGetFloatv(GL_MODELVIEW_MATRIX, after.m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after.m[i], before.m[i]) << i;
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // A null model leaves an empty instance behind, whatever it held before.
    EXPECT_FALSE(faceless.Build(nullptr));
    EXPECT_EQ(faceless.materialCount, 0);
    EXPECT_EQ(faceless.displayLists, nullptr);
}

TEST_F(ModelInstanceTest, FacesNamingAnythingOutsideTheModelAreSkippedAlone) {
    ModelDescription description;
    std::vector<Corners> squares;
    for (int i = 0; i < 4; ++i) {
        AddSquare(description, Vec3(-3.0f + 2.0f * i, 0, 0));
        squares.push_back(SquareAt(Vec3(-3.0f + 2.0f * i, 0, 0), 0.8f));
    }
    description.materials = {MaterialOf(Vec3(1, 0, 0), -1, {0, 1, 2, 3, 3, 3})};
    std::unique_ptr<Model> model = Load(description);
    ASSERT_NE(model, nullptr);
    // Damage the loaded model the way a bad file that slipped past the loader would.
    model->materials[0].faceIndices[4] = model->faceCount;
    model->materials[0].faceIndices[5] = -1;
    model->faces[1].vertexIndex[2] = model->vertexCount;
    model->faces[2].normalIndex[0] = -1;
    ModelInstance instance;
    ASSERT_TRUE(instance.Build(model.get()));

    const std::vector<FedPolygon> polygons =
        Feedback([&] { instance.Draw(model.get(), viewer.get(), kIdentityTransform); });
    EXPECT_EQ(DrawnSquares(polygons, squares), (Drawn{{0, 0}, {3, 0}}));
}

}  // namespace
