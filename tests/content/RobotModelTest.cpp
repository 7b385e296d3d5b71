// The shipped robot: its committed source is what its generator writes, its
// committed model file is what the converter makes of that source, and the
// model is what the first level needs: a robot standing at the origin and
// facing the camera, lit by colours alone.
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "content/tools/robotsource/RobotSource.h"
#include "render/Model.h"
#include "tests/content/ToolRun.h"
#include "tests/support/TemporaryDirectory.h"

namespace {

const std::string kSourceDirectory = std::string(VELMORA_SOURCE_DIR) + "/content/brakmoor/";
const std::string kEntityDirectory = std::string(VELMORA_SOURCE_DIR) + "/data/Entities/brakmoor/";
const std::string kModelFile = kEntityDirectory + "brakmoor.mdl";

// Newell's normal of a face's corner loop, as drawing computes it.
Vec3 FaceNormal(const Model& model, const Face& face) {
    Vec3 n;
    for (int k = 0; k < 4; ++k) {
        const Vec3& p = model.GetVertices()[face.vertexIndex[k]];
        const Vec3& q = model.GetVertices()[face.vertexIndex[(k + 1) % 4]];
        n.x += (p.y - q.y) * (p.z + q.z);
        n.y += (p.z - q.z) * (p.x + q.x);
        n.z += (p.x - q.x) * (p.y + q.y);
    }
    return n;
}

TEST(RobotModelTest, TheCommittedSourceIsWhatTheGeneratorWrites) {
    const RobotSource source = MakeRobotSource();
    EXPECT_EQ(ReadWholeFile(kSourceDirectory + "brakmoor.obj"), source.obj);
    EXPECT_EQ(ReadWholeFile(kSourceDirectory + "brakmoor.mtl"), source.mtl);
}

TEST(RobotModelTest, TheCommittedModelIsAFreshConversionOfTheSource) {
    TemporaryDirectory directory;
    const std::string fresh = directory.File("brakmoor.mdl");
    const ToolRun run = RunTool(VELMORA_MODELCONVERT, {kSourceDirectory + "brakmoor.obj", fresh});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");  // nothing left out, nothing to note
    const std::string committed = ReadWholeFile(kModelFile);
    ASSERT_FALSE(committed.empty());
    EXPECT_TRUE(ReadWholeFile(fresh) == committed)
        << "data/Entities/brakmoor/brakmoor.mdl differs from a conversion of its source";
}

TEST(RobotModelTest, TheLevelNamesTheRobotAndTheRobotNamesItsModel) {
    // No final line feed: the level loader would read an empty name after it.
    EXPECT_EQ(ReadWholeFile(std::string(VELMORA_SOURCE_DIR) + "/data/Levels/01/01.txt"),
              "brakmoor");
    EXPECT_EQ(ReadWholeFile(kEntityDirectory + "brakmoor.txt"), "robot\nbrakmoor.mdl\n");
}

TEST(RobotModelTest, TheRobotStandsAtTheOriginFacingTheCamera) {
    Model model;
    ASSERT_TRUE(model.Load(kModelFile.c_str())) << model.FailureReason();

    Vec3 low = model.GetVertices()[0];
    Vec3 high = low;
    for (int i = 0; i < model.GetVertexCount(); ++i) {
        const Vec3& v = model.GetVertices()[i];
        low = Vec3(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z));
        high = Vec3(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z));
        EXPECT_LE(v.Length(), model.GetRadius()) << "vertex " << i << " outside the radius";
    }
    EXPECT_NEAR(high.y - low.y, 600.0f, 10.0f);
    EXPECT_NEAR((high.y + low.y) / 2, 0.0f, 20.0f);
    EXPECT_NEAR((high.x + low.x) / 2, 0.0f, 20.0f);
    EXPECT_NEAR((high.z + low.z) / 2, 0.0f, 20.0f);
    EXPECT_LT(model.GetRadius(), 1.2f * (high.y - low.y) / 2);  // encloses, not much more

    // Every face winds so that drawing's normal agrees with the stored one,
    // and the robot shows the camera at (0, 0, 1000) a good part of itself.
    int facingCamera = 0;
    for (int i = 0; i < model.GetFaceCount(); ++i) {
        const Face& face = model.GetFaces()[i];
        const Vec3 winding = FaceNormal(model, face);
        const Vec3& stored = model.GetNormals()[face.normalIndex[0]];
        EXPECT_GT(Dot(winding, stored), 0.0f) << "face " << i;
        const Vec3 toCamera = Vec3(0, 0, 1000) - model.GetVertices()[face.vertexIndex[0]];
        if (Dot(winding, toCamera) > 0.0f) ++facingCamera;
    }
    EXPECT_GT(facingCamera, model.GetFaceCount() / 4);

    // Colours without textures, several of them, every face in one material.
    EXPECT_EQ(model.GetTextureCount(), 0);
    std::set<std::tuple<float, float, float>> colours;
    int drawnFaces = 0;
    for (int i = 0; i < model.GetMaterialCount(); ++i) {
        const Material& material = model.GetMaterials()[i];
        EXPECT_EQ(material.textureIndex, -1);
        colours.emplace(material.colour[0], material.colour[1], material.colour[2]);
        drawnFaces += material.faceCount;
    }
    EXPECT_GE(colours.size(), 4u);
    EXPECT_EQ(drawnFaces, model.GetFaceCount());
}

}  // namespace
