// The entity database against real level and entity directories made by each test, loaded
// with the program's own renderer, which needs a current GL context for the clones' instances.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/tools/modelwriter/ModelWriter.h"
#include "render/Drawable.h"
#include "render/Model.h"
#include "scene/Camera.h"
#include "tests/scene/RenderedSceneFixture.h"
#include "tests/support/TemporaryDirectory.h"
#include "world/EntityDatabase.h"
#include "world/NameHash.h"
#include "world/Robot.h"

namespace {

namespace fs = std::filesystem;

// Any placed object that is not a robot.
class Marker : public Object3D {
public:
    Object3D* Clone() override { return new Marker(*this); }
    const void* GetTypeId() const override { return &tag; }

private:
    static const char tag;
};
const char Marker::tag = 0;

std::string CurrentDirectory() {
    return fs::current_path().string();
}

class EntityDatabaseTest : public RenderedSceneFixture {
protected:
    void SetUp() override {
        RenderedSceneFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(directory.Exists());
        root = fs::path(directory.File("levels-and-entities")).parent_path();
        fs::create_directories(root / "Levels");
        fs::create_directories(root / "Entities");
        originalDirectory = CurrentDirectory();
        startDirectory = originalDirectory;
        ASSERT_EQ(database.Init(&renderer, (root / "Levels").string().c_str(),
                                (root / "Entities").string().c_str()),
                  1);
    }

    void TearDown() override {
        // Instances first (they use the models and the context), then clones, prototypes and
        // last the models, which the program itself keeps to the end.
        for (std::unique_ptr<Object3D>& clone : clones) {
            delete clone->renderInstance;
            clone.reset();
        }
        KeepModels();
        database.Clear();
        for (Model* model : models) delete model;
        EXPECT_EQ(CurrentDirectory(), startDirectory);
        fs::current_path(originalDirectory);
        RenderedSceneFixture::TearDown();
    }

    // Remembers the prototypes' models, which outlive them.
    void KeepModels() {
        for (Object3D* prototype : database.prototypes) {
            if (prototype != nullptr && prototype->GetModel() != nullptr) {
                models.insert(prototype->GetModel());
            }
        }
    }

    int LoadLevel(const char* name) {
        KeepModels();
        return database.LoadLevel(name);
    }

    // FindEntity, with the clone and its instance released by the fixture.
    Object3D* Find(const char* name) {
        Object3D* clone = database.FindEntity(name);
        if (clone != nullptr) clones.emplace_back(clone);
        return clone;
    }

    // Writes the bytes as they are, creating the directories on the way.
    static void WriteText(const fs::path& path, const std::string& text) {
        if (path.has_parent_path()) fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }

    // A model whose radius tells it apart; it shows a white square of side 2 facing +z.
    static void WriteModel(const fs::path& path, float radius) {
        ModelDescription model;
        model.radius = radius;
        model.vertices = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0), Vec3(-1, 1, 0)};
        model.normals = {Vec3(0, 0, 1)};
        FaceDescription face;
        for (int corner = 0; corner < 4; ++corner) face.vertexIndex[corner] = corner;
        model.faces = {face};
        MaterialDescription white;
        white.colour[0] = white.colour[1] = white.colour[2] = 1.0f;
        white.faceIndices = {0};
        model.materials = {white};
        model.nodes.resize(1);
        ModelWriter writer;
        ASSERT_TRUE(writer.WriteModel(model));
        if (path.has_parent_path()) fs::create_directories(path.parent_path());
        ASSERT_TRUE(writer.SaveToFile(path.string()));
    }

    fs::path EntityDirectory(const std::string& name) const { return root / "Entities" / name; }

    // A robot entity whose description uses the given line end. Its files are written from
    // inside its directory, the way the database reads them: Windows drops a blank at the end
    // of the last part of a path, so a directory "a " is reached as the last part only.
    void AddEntity(const std::string& name, float radius, const std::string& end = "\n") {
        fs::create_directories(EntityDirectory(name));
        fs::path const here = fs::current_path();
        fs::current_path(EntityDirectory(name));
        WriteText(name + ".txt", "robot" + end + "body.mdl" + end);
        WriteModel("body.mdl", radius);
        fs::current_path(here);
    }

    void AddLevel(const std::string& name, const std::string& text) {
        WriteText(root / "Levels" / name / (name + ".txt"), text);
    }

    std::vector<float> LoadedRadii() const {
        std::vector<float> radii;
        for (Object3D* prototype : database.prototypes) radii.push_back(prototype->GetRadius());
        return radii;
    }

    TemporaryDirectory directory;
    fs::path root;
    std::string originalDirectory;
    std::string startDirectory;  // where every call must leave the working directory
    EntityDatabase database;
    std::vector<std::unique_ptr<Object3D>> clones;
    std::set<Model*> models;
};

TEST_F(EntityDatabaseTest, InitResolvesTheDirectoriesAgainstTheWorkingDirectory) {
    AddEntity("a", 1.0f);
    AddLevel("01", "a");
    EntityDatabase relative;
    EXPECT_EQ(relative.robotTypeHash, 0x727A3BB4);
    EXPECT_EQ(relative.LoadLevel("01"), 0);  // nowhere to look yet
    fs::current_path(root);
    ASSERT_EQ(relative.Init(&renderer, "Levels", "Entities"), 1);
    fs::current_path(startDirectory);
    std::string const levels = relative.levelsDirectory;
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.back(), '\\');
    EXPECT_EQ(std::string(relative.entitiesDirectory).back(), '\\');

    // Loading no longer depends on where the program stands.
    EXPECT_EQ(relative.LoadLevel("01"), 1);
    EXPECT_EQ(relative.prototypes.size(), 1u);
    EXPECT_EQ(CurrentDirectory(), startDirectory);
    models.insert(relative.prototypes[0]->GetModel());
}

TEST_F(EntityDatabaseTest, InitRefusesADirectoryThatLeavesNoRoomForTheBackslash) {
    std::string const prefix = (root / "").string();  // with the system's separator at the end
    ASSERT_LT(prefix.size(), 100u) << "the temporary directory's path is too long for this test";
    std::string const longest = prefix + std::string(126 - prefix.size(), 'L');
    std::string const tooLong = prefix + std::string(127 - prefix.size(), 'L');
    std::string const entities = (root / "Entities").string();

    EntityDatabase db;
    EXPECT_EQ(db.Init(&renderer, longest.c_str(), entities.c_str()), 1);
    EXPECT_EQ(std::string(db.levelsDirectory), longest + "\\");

    EXPECT_EQ(db.Init(&renderer, tooLong.c_str(), entities.c_str()), 0);
    EXPECT_EQ(db.Init(&renderer, entities.c_str(), tooLong.c_str()), 0);
    EXPECT_EQ(db.Init(&renderer, (prefix + std::string(300, 'L')).c_str(), entities.c_str()), 0);
    // After a failure the directories are not used at all.
    EXPECT_STREQ(db.levelsDirectory, "");
    EXPECT_STREQ(db.entitiesDirectory, "");
    AddEntity("a", 1.0f);
    EXPECT_EQ(db.LoadEntity("a"), 0);
    EXPECT_EQ(CurrentDirectory(), startDirectory);
}

TEST_F(EntityDatabaseTest, LevelsReadWithEitherLineEndAndAFinalLineFeedListsAnEmptyName) {
    for (std::string const end : {"\n", "\r\n"}) {
        SCOPED_TRACE(end == "\n" ? "LF" : "CR LF");
        AddEntity("a", 1.0f, end);
        AddEntity("b", 2.0f, end);
        AddLevel("plain", "a" + end + "b");
        AddLevel("ended", "a" + end + "b" + end);

        EXPECT_EQ(LoadLevel("plain"), 1);
        EXPECT_EQ(LoadedRadii(), (std::vector<float>{1.0f, 2.0f}));
        EXPECT_EQ(database.nameHashes, (std::vector<int32_t>{NameHash("a"), NameHash("b")}));
        EXPECT_EQ(CurrentDirectory(), startDirectory);

        // Everything listed loads; the empty name after the last line feed then fails.
        EXPECT_EQ(LoadLevel("ended"), 0);
        EXPECT_EQ(LoadedRadii(), (std::vector<float>{1.0f, 2.0f}));
        EXPECT_STREQ(database.FailureReason(), "") << "nothing to mend";
        EXPECT_EQ(CurrentDirectory(), startDirectory);
    }
}

TEST_F(EntityDatabaseTest, MissingOrEmptyLevelsFailWithTheDatabaseCleared) {
    AddEntity("a", 1.0f);
    AddLevel("01", "a");
    AddLevel("empty", "");
    fs::create_directories(root / "Levels" / "nofile");

    for (const char* level : {"absent", "nofile", "empty"}) {
        SCOPED_TRACE(level);
        ASSERT_EQ(LoadLevel("01"), 1);
        std::size_t const capacity = database.prototypes.capacity();
        EXPECT_EQ(LoadLevel(level), 0);
        EXPECT_NE(database.FailureReason()[0], '\0');
        EXPECT_TRUE(database.prototypes.empty());
        EXPECT_EQ(database.prototypes.capacity(), capacity);
        EXPECT_TRUE(database.nameHashes.empty());
        EXPECT_EQ(CurrentDirectory(), startDirectory);
    }
    EXPECT_EQ(LoadLevel(nullptr), 0);
    EXPECT_EQ(LoadLevel(""), 0);
}

TEST_F(EntityDatabaseTest, AFailingEntityStopsTheLevelAndTheOnesBeforeItStay) {
    AddEntity("a", 1.0f);
    AddEntity("b", 2.0f);
    AddLevel("01", "a\nmissing\nb");
    EXPECT_EQ(LoadLevel("01"), 0);
    EXPECT_EQ(LoadedRadii(), (std::vector<float>{1.0f}));
    EXPECT_EQ(database.nameHashes, (std::vector<int32_t>{NameHash("a")}));
    EXPECT_EQ(CurrentDirectory(), startDirectory);
}

TEST_F(EntityDatabaseTest, DuplicateNamesAndEqualHashesFindTheFirstLoaded) {
    AddEntity("a", 1.0f);
    AddLevel("twice", "a\na");
    ASSERT_EQ(LoadLevel("twice"), 1);
    ASSERT_EQ(database.prototypes.size(), 2u);
    database.prototypes[0]->SetPosition(Vec3(5, 0, 0));
    database.prototypes[1]->SetPosition(Vec3(9, 0, 0));
    Object3D* clone = Find("a");
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetPosition()->x, 5.0f);

    // Two names that hash alike cannot be told apart.
    ASSERT_EQ(NameHash("ba"), NameHash("c!"));
    AddEntity("ba", 3.0f);
    AddEntity("c!", 4.0f);
    AddLevel("alike", "ba\nc!");
    ASSERT_EQ(LoadLevel("alike"), 1);
    EXPECT_EQ(LoadedRadii(), (std::vector<float>{3.0f, 4.0f}));
    Object3D* found = Find("c!");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetRadius(), 3.0f);
}

TEST_F(EntityDatabaseTest, NamesKeepTheirCapitalsAndSpaces) {
    // The blank at the end of the level line belongs to the name, its directory and its file.
    // (Names are told apart by hash only, so these are names whose hashes differ.)
    ASSERT_NE(NameHash("Tall one "), NameHash("tall one "));
    AddEntity("Tall one ", 2.0f);
    AddLevel("01", "Tall one ");
    ASSERT_EQ(LoadLevel("01"), 1);
    EXPECT_NE(Find("Tall one "), nullptr);
    EXPECT_EQ(Find("Tall one"), nullptr);
    EXPECT_EQ(Find("tall one "), nullptr);

    // The type is "robot", exactly.
    WriteText(EntityDirectory("capital") / "capital.txt", "Robot\nbody.mdl\n");
    WriteModel(EntityDirectory("capital") / "body.mdl", 1.0f);
    EXPECT_EQ(database.LoadEntity("capital"), 0);
    EXPECT_EQ(database.prototypes.size(), 1u);
    EXPECT_EQ(database.nameHashes.size(), 1u);
    EXPECT_EQ(CurrentDirectory(), startDirectory);
}

TEST_F(EntityDatabaseTest, AnEntityWhoseModelDoesNotLoadFails) {
    WriteText(EntityDirectory("oneline") / "oneline.txt", "robot\n");
    WriteText(EntityDirectory("unended") / "unended.txt", "robot");
    WriteText(EntityDirectory("nomodel") / "nomodel.txt", "robot\nbody.mdl\n");
    WriteText(EntityDirectory("broken") / "broken.txt", "robot\nbody.mdl\n");
    WriteText(EntityDirectory("broken") / "body.mdl", std::string("\0\0\x80?\x05", 5));
    WriteText(EntityDirectory("nodescription") / "body.mdl", "");

    for (const char* name : {"oneline", "unended", "nomodel", "broken", "nodescription", "none"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(database.LoadEntity(name), 0);
        EXPECT_TRUE(database.prototypes.empty());
        EXPECT_TRUE(database.nameHashes.empty());
        EXPECT_EQ(CurrentDirectory(), startDirectory);
    }
}

TEST_F(EntityDatabaseTest, LinesOfMoreThan127CharactersAreRefused) {
    // The model line is the one line whose full length can be used.
    std::string const longest(127, 'm');
    std::string const tooLong(128, 'm');
    for (const std::string& file : {longest, tooLong}) WriteModel(EntityDirectory("x") / file, 8);
    WriteText(EntityDirectory("x") / "x.txt", "robot\n" + longest + "\n");
    WriteText(EntityDirectory("y") / "y.txt", "robot\r\n" + longest + "\r\n");
    fs::copy_file(EntityDirectory("x") / longest, EntityDirectory("y") / longest);
    EXPECT_EQ(database.LoadEntity("x"), 1);
    EXPECT_EQ(database.LoadEntity("y"), 1);  // 127 characters before the CR LF

    WriteText(EntityDirectory("z") / "z.txt", "robot\n" + tooLong + "\n");
    fs::copy_file(EntityDirectory("x") / tooLong, EntityDirectory("z") / tooLong);
    EXPECT_EQ(database.LoadEntity("z"), 0);
    WriteText(EntityDirectory("t") / "t.txt", std::string(500, 'r') + "\nbody.mdl\n");
    EXPECT_EQ(database.LoadEntity("t"), 0);
    EXPECT_EQ(database.prototypes.size(), 2u);
    EXPECT_EQ(CurrentDirectory(), startDirectory);

    // In a level, an over-long line ends the level where it stands.
    AddEntity("a", 1.0f);
    AddEntity("b", 2.0f);
    AddLevel("01", "a\n" + std::string(300, 'n') + "\nb");
    EXPECT_EQ(LoadLevel("01"), 0);
    EXPECT_NE(std::string(database.FailureReason()).find("line 2 of the level"), std::string::npos);
    EXPECT_EQ(LoadedRadii(), (std::vector<float>{1.0f}));
    EXPECT_EQ(CurrentDirectory(), startDirectory);
}

TEST_F(EntityDatabaseTest, NamesWhosePathDoesNotFitAreRefused) {
    // The entity's directory is the entities directory and the name joined in 128 characters,
    // terminator included.
    std::size_t const room =
        EntityDatabase::kPathSize - 1 - std::strlen(database.entitiesDirectory);
    ASSERT_GT(room, 10u);
    std::string const fits(room, 'e');
    std::string const tooLong(room + 1, 'e');
    AddEntity(fits, 1.0f);
    AddEntity(tooLong, 2.0f);
    EXPECT_EQ(database.LoadEntity(tooLong.c_str()), 0);
    EXPECT_EQ(database.LoadEntity(fits.c_str()), 1);
    EXPECT_EQ(CurrentDirectory(), startDirectory);

    std::size_t const levelRoom =
        EntityDatabase::kPathSize - 1 - std::strlen(database.levelsDirectory);
    std::string const levelFits(levelRoom, 'l');
    std::string const levelTooLong(levelRoom + 1, 'l');
    AddLevel(levelFits, fits);
    AddLevel(levelTooLong, fits);
    EXPECT_EQ(LoadLevel(levelTooLong.c_str()), 0);
    EXPECT_EQ(CurrentDirectory(), startDirectory);
    EXPECT_EQ(LoadLevel(levelFits.c_str()), 1);
    EXPECT_EQ(CurrentDirectory(), startDirectory);
}

TEST_F(EntityDatabaseTest, NamesThatLeadOutOfTheirDirectoryAreRefused) {
    // Each of these would find a valid description if the name were used as a path.
    AddEntity("x", 1.0f);
    WriteText(EntityDirectory("x") / "x" / "x" / "x.txt", "robot\n../body.mdl\n");
    WriteText(root / "Entities" / "..txt", "robot\nx/body.mdl\n");
    WriteText(root / "...txt", "robot\nEntities/x/body.mdl\n");
    for (const char* name : {"x/x", "x\\x", ".", ".."}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(database.LoadEntity(name), 0);
        EXPECT_TRUE(database.prototypes.empty());
        EXPECT_EQ(CurrentDirectory(), startDirectory);
    }
    AddLevel("01", "x");
    WriteText(root / "Levels" / "01" / "01" / "01" / "01.txt", "x");
    EXPECT_EQ(LoadLevel("01/01"), 0);
    EXPECT_EQ(LoadLevel(".."), 0);
    EXPECT_EQ(CurrentDirectory(), startDirectory);
}

TEST_F(EntityDatabaseTest, FindEntityHandsOutIndependentRobotsWithTheirOwnInstances) {
    AddEntity("a", 3.0f);
    ASSERT_EQ(database.LoadEntity("a"), 1);
    Object3D* prototype = database.prototypes[0];
    prototype->SetPosition(Vec3(1, 0, 0));

    Object3D* first = Find("a");
    Object3D* second = Find("a");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first, prototype);
    EXPECT_EQ(first->GetTypeId(), &Robot::typeTag);
    EXPECT_EQ(first->GetModel(), prototype->GetModel());
    EXPECT_EQ(first->GetRadius(), 3.0f);
    EXPECT_NE(first->renderInstance, nullptr);
    EXPECT_NE(second->renderInstance, nullptr);
    EXPECT_NE(first->renderInstance, second->renderInstance);
    EXPECT_EQ(prototype->renderInstance, nullptr);

    first->SetVelocity(Vec3(0, 4, 0));
    first->Update(0.5f);
    EXPECT_EQ(first->GetPosition()->y, 2.0f);
    EXPECT_EQ(prototype->GetPosition()->y, 0.0f);
    Object3D* third = Find("a");
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->GetPosition()->x, 1.0f);
    EXPECT_EQ(third->GetPosition()->y, 0.0f);

    EXPECT_EQ(Find("b"), nullptr);
    EXPECT_EQ(Find(""), nullptr);
    EXPECT_EQ(Find(nullptr), nullptr);
}

TEST_F(EntityDatabaseTest, FindEntityRefusesAFirstMatchThatIsNotARobot) {
    AddEntity("odd", 1.0f);
    database.prototypes.push_back(new Marker());
    database.nameHashes.push_back(NameHash("odd"));
    ASSERT_EQ(database.LoadEntity("odd"), 1);
    EXPECT_EQ(Find("odd"), nullptr);
}

TEST_F(EntityDatabaseTest, ASecondLevelReplacesTheFirstAndEarlierClonesStayValid) {
    AddEntity("a", 1.0f);
    AddEntity("b", 2.0f);
    AddLevel("one", "a");
    AddLevel("two", "b");
    ASSERT_EQ(LoadLevel("one"), 1);
    Object3D* clone = Find("a");
    ASSERT_NE(clone, nullptr);

    ASSERT_EQ(LoadLevel("two"), 1);
    EXPECT_EQ(LoadedRadii(), (std::vector<float>{2.0f}));
    EXPECT_EQ(Find("a"), nullptr);
    EXPECT_NE(Find("b"), nullptr);

    // The clone still moves and draws its model.
    clone->SetVelocity(Vec3(0, 0, -2));
    clone->Update(0.5f);
    EXPECT_EQ(clone->GetPosition()->z, -1.0f);
    std::unique_ptr<Camera> camera(renderer.CreateCamera());
    ASSERT_NE(camera, nullptr);
    camera->MoveTo(Vec3(0, 0, 5), true);
    renderer.BeginFrame();
    camera->ApplyView();
    std::list<Object3D*> shown = {clone};
    renderer.DrawObjects(shown, camera.get());
    GLubyte centre[4] = {};
    glReadPixels(320, 240, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    EXPECT_EQ(centre[1], 255);
}

}  // namespace
