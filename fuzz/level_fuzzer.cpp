// Level and entity descriptions of any content through
// EntityDatabase::LoadLevel and LoadEntity, over directories that the target
// lays out in its scratch directory for each input.
//
// The input is text in sections separated by NUL bytes. The first line of a
// section is a name, the rest the file that goes with it: the first section
// is a level (Levels/NAME/NAME.txt), every other an entity
// (Entities/NAME/NAME.txt). Every entity directory also holds a model that
// loads, body.mdl, and one that does not, broken.mdl:
//
//     01\nbrakmoor  \0  brakmoor\nrobot\nbody.mdl\n
//
// The target loads the level, then each entity by name, and checks what the
// database promises: the working directory is back where it was, prototypes
// and name hashes stay in step, a level file ending in a line feed (or empty)
// fails, and a level that loads has one prototype per line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "content/tools/modelwriter/ModelWriter.h"
#include "fuzz/ScratchDirectory.h"
#include "render/GLRenderer.h"
#include "render/Model.h"
#include "scene/Object3D.h"
#include "world/EntityDatabase.h"
#include "world/Robot.h"

namespace {

namespace fs = std::filesystem;

struct Section {
    std::string name;
    std::string text;
};

std::vector<Section> SplitSections(const std::uint8_t* data, std::size_t size) {
    std::vector<Section> sections;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\0', start);
        if (end == std::string::npos) end = input.size();
        const std::string section = input.substr(start, end - start);
        const std::size_t lineEnd = section.find('\n');
        if (lineEnd == std::string::npos) {
            sections.push_back({section, ""});
        } else {
            sections.push_back({section.substr(0, lineEnd), section.substr(lineEnd + 1)});
        }
        start = end + 1;
    }
    return sections;
}

// Names the target may make directories of: whatever stays inside the
// scratch directory. The database decides for itself what it accepts.
bool CanMakeDirectory(const std::string& name) {
    return !name.empty() && name.size() <= 200 && name != "." && name != ".." &&
           name.find('/') == std::string::npos;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) ScratchDirectory::Fail("cannot write " + path.string());
}

std::vector<std::uint8_t> ModelBytes() {
    ModelDescription model;
    model.radius = 2.5f;
    model.vertices = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0), Vec3(-1, 1, 0)};
    model.normals = {Vec3(0, 0, 1)};
    FaceDescription face;
    for (int corner = 0; corner < 4; ++corner) face.vertexIndex[corner] = corner;
    model.faces = {face};
    MaterialDescription material;
    material.faceIndices = {0};
    model.materials = {material};
    model.nodes.resize(1);
    model.nodes[0].name = "body";
    ModelWriter writer;
    writer.WriteModel(model);
    return writer.Bytes();
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) ScratchDirectory::Fail("cannot write " + path.string());
}

void LayOut(const fs::path& root, const std::vector<Section>& sections) {
    static const std::vector<std::uint8_t> body = ModelBytes();
    static const std::vector<std::uint8_t> broken(body.begin(), body.begin() + body.size() / 2);
    std::error_code error;
    fs::remove_all(root / "Levels", error);
    fs::remove_all(root / "Entities", error);
    fs::create_directories(root / "Levels");
    fs::create_directories(root / "Entities");
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const Section& section = sections[i];
        if (!CanMakeDirectory(section.name)) continue;
        const fs::path directory = root / (i == 0 ? "Levels" : "Entities") / section.name;
        if (!fs::create_directory(directory, error)) continue;  // listed twice
        WriteText(directory / (section.name + ".txt"), section.text);
        if (i > 0) {
            WriteBytes(directory / "body.mdl", body);
            WriteBytes(directory / "broken.mdl", broken);
        }
    }
}

// Everything a prototype refers to must be whole: a robot with a model of its own.
void CheckPrototypes(const EntityDatabase& database) {
    Require(database.prototypes.size() == database.nameHashes.size(),
            "prototypes and name hashes are out of step");
    for (const Object3D* prototype : database.prototypes) {
        Require(prototype != nullptr, "a null prototype");
        Require(prototype->GetTypeId() == &Robot::typeTag, "a prototype that is not a robot");
        Require(prototype->GetModel() != nullptr, "a robot without its model");
        Require(prototype->GetModel()->GetRadius() == 2.5f, "a robot with someone else's model");
    }
}

// The program never frees models; the target does, so that only real leaks show.
void ReleaseModels(EntityDatabase& database) {
    std::vector<Model*> models;
    for (Object3D* prototype : database.prototypes) {
        if (prototype != nullptr) models.push_back(prototype->GetModel());
    }
    database.Clear();
    std::sort(models.begin(), models.end());
    models.erase(std::unique(models.begin(), models.end()), models.end());
    for (Model* model : models) delete model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // LoadModel needs no OpenGL context; nothing here asks the renderer for more.
    static GLRenderer renderer;
    static const fs::path root = ScratchDirectory::Path();
    // Where every call must leave the working directory: libFuzzer's own
    // paths are relative to it.
    const fs::path home = fs::current_path();

    const std::vector<Section> sections = SplitSections(data, size);
    LayOut(root, sections);

    EntityDatabase database;
    Require(database.Init(&renderer, (root / "Levels").c_str(), (root / "Entities").c_str()) == 1,
            "Init fails");

    const Section& level = sections.front();
    const int loaded = database.LoadLevel(level.name.c_str());
    Require(fs::current_path() == home, "LoadLevel leaves another working directory");
    CheckPrototypes(database);
    const bool endsInLineFeed = level.text.empty() || level.text.back() == '\n';
    if (endsInLineFeed) Require(loaded == 0, "a level ending in an empty name loads");
    if (loaded == 1) {
        const std::size_t lines =
            static_cast<std::size_t>(std::count(level.text.begin(), level.text.end(), '\n')) + 1;
        Require(database.prototypes.size() == lines, "a level loads other than its lines");
    }

    for (std::size_t i = 1; i < sections.size(); ++i) {
        const std::size_t before = database.prototypes.size();
        const int result = database.LoadEntity(sections[i].name.c_str());
        Require(fs::current_path() == home, "LoadEntity leaves another working directory");
        Require(database.prototypes.size() == before + (result == 1 ? 1 : 0),
                "LoadEntity adds other than its one prototype");
        CheckPrototypes(database);
    }
    ReleaseModels(database);
    return 0;
}
