// The program's renderer on a hidden 640 x 480 window, seen from (0, 0, 5) looking at the
// origin, with helpers that put models together in files and load them the way the program
// does. Squares made here lie in a plane z = const with their corners counter-clockwise seen
// from +z, so they face the viewer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "content/tools/modelwriter/ModelWriter.h"
#include "math/MathConstants.h"
#include "render/Model.h"
#include "scene/Camera.h"
#include "tests/scene/RenderedSceneFixture.h"
#include "tests/support/TemporaryDirectory.h"

class ModelDrawingFixture : public RenderedSceneFixture {
protected:
    void SetUp() override {
        RenderedSceneFixture::SetUp();
        if (HasFatalFailure()) return;
        viewer.reset(renderer.CreateCamera());
        ASSERT_NE(viewer, nullptr);
        viewer->MoveTo(Vec3(0, 0, 5), true);
        viewer->ApplyView();
    }
    void TearDown() override {
        viewer.reset();
        RenderedSceneFixture::TearDown();
    }

    // Starts the next frame seen from the viewer.
    void NewFrame() {
        renderer.BeginFrame();
        viewer->ApplyView();
    }

    using Corners = std::array<Vec3, 4>;

    // The corners of a square of half size half around centre, in its plane z = centre.z.
    static Corners SquareAt(Vec3 centre, float half) {
        return {centre + Vec3(-half, -half, 0), centre + Vec3(half, -half, 0),
                centre + Vec3(half, half, 0), centre + Vec3(-half, half, 0)};
    }

    // Adds that square as a face with one normal, +z, for all corners; returns its index.
    static int AddSquare(ModelDescription& model, Vec3 centre, float half = 0.8f) {
        const int first = static_cast<int>(model.vertices.size());
        for (const Vec3& corner : SquareAt(centre, half)) model.vertices.push_back(corner);
        const int normal = static_cast<int>(model.normals.size());
        model.normals.push_back(kUnitZVec3);
        FaceDescription face;
        for (int corner = 0; corner < 4; ++corner) {
            face.vertexIndex[corner] = first + corner;
            face.normalIndex[corner] = normal;
        }
        model.faces.push_back(face);
        return static_cast<int>(model.faces.size()) - 1;
    }

    static MaterialDescription MaterialOf(Vec3 colour, int textureIndex,
                                          std::vector<std::int32_t> faces) {
        MaterialDescription material;
        material.colour[0] = colour.x;
        material.colour[1] = colour.y;
        material.colour[2] = colour.z;
        material.textureIndex = textureIndex;
        material.faceIndices = std::move(faces);
        return material;
    }

    // Writes the model to a file and has the renderer load it; null when that fails.
    std::unique_ptr<Model> Load(ModelDescription description) {
        if (description.nodes.empty()) description.nodes.resize(1);
        ModelWriter writer;
        if (!writer.WriteModel(description)) return nullptr;
        std::string const path = directory.Write("model.bin", writer.Bytes());
        return std::unique_ptr<Model>(renderer.LoadModel(path.c_str()));
    }

    // Where a world point lands in the window under the current matrices.
    static Vec3 Project(const Vec3& point) {
        GLdouble modelView[16];
        GLdouble projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLdouble x = 0;
        GLdouble y = 0;
        GLdouble z = 0;
        gluProject(point.x, point.y, point.z, modelView, projection, viewport, &x, &y, &z);
        return Vec3(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    }

    // The colour drawn where a world point lands.
    static std::array<std::uint8_t, 4> PixelAt(const Vec3& point) {
        const Vec3 window = Project(point);
        std::array<std::uint8_t, 4> pixel = {};
        glReadPixels(static_cast<GLint>(window.x), static_cast<GLint>(window.y), 1, 1, GL_RGBA,
                     GL_UNSIGNED_BYTE, pixel.data());
        return pixel;
    }

    std::unique_ptr<Camera> viewer;
    TemporaryDirectory directory;
};
