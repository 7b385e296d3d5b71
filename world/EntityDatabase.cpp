#include "world/EntityDatabase.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <istream>
#include <new>

#include "platform/Win32.h"
#include "render/DrawableHandle.h"
#include "render/GLRenderer.h"
#include "world/NameHash.h"
#include "world/Robot.h"

namespace {

constexpr int kPathSize = EntityDatabase::kPathSize;
using PathBuffer = char[kPathSize];

// Names from the files become directory and file names inside a data directory; anything that
// could lead elsewhere is not a name.
bool IsPlainName(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    return std::strpbrk(name, "\\/") == nullptr;
}

// first followed by second; false when that does not fit.
bool Join(PathBuffer& out, const char* first, const char* second) {
    const int length = std::snprintf(out, kPathSize, "%s%s", first, second);
    return length >= 0 && length < kPathSize;
}

bool GetWorkingDirectory(PathBuffer& out) {
    const DWORD length = GetCurrentDirectoryA(kPathSize, out);
    return length > 0 && length < static_cast<DWORD>(kPathSize);
}

// The absolute path of a directory with a backslash appended, so that names join straight on.
// Resolving looks at nothing on disk.
bool ResolveDirectory(const char* name, PathBuffer& out) {
    if (name == nullptr) return false;
    PathBuffer path;
    const DWORD length = GetFullPathNameA(name, kPathSize, path, nullptr);
    // Room for the backslash and the terminator; a path that did not fit at all comes back
    // as the size it needs, which fails this too.
    if (length == 0 || length + 2 > static_cast<DWORD>(kPathSize)) return false;
    path[length] = '\\';
    path[length + 1] = '\0';
    std::memcpy(out, path, length + 2);
    return true;
}

// Reads up to the next line feed, which is consumed and not stored. A carriage return before
// it is dropped too: text mode removes it on Windows but not elsewhere, and CR LF files must
// read the same everywhere. False for a line of more than 127 characters. At the end of the
// stream the line is empty and the stream reports end of file.
bool ReadLine(std::istream& stream, PathBuffer& line) {
    char text[kPathSize + 1];   // one more for a carriage return
    int length = 0;
    for (int c = stream.get(); c != std::char_traits<char>::eof() && c != '\n';
         c = stream.get()) {
        if (length == kPathSize) return false;
        text[length++] = static_cast<char>(c);
    }
    if (length > 0 && text[length - 1] == '\r') --length;
    if (length >= kPathSize) return false;
    std::memcpy(line, text, length);
    line[length] = '\0';
    return true;
}

// Loads every entity the open level file lists, in order; 0 at the first one that fails.
int LoadListedEntities(EntityDatabase& database, std::istream& level) {
    PathBuffer name;
    // The end is tested before each read, so a final line feed leaves one more, empty, name,
    // which fails.
    while (!level.eof()) {
        if (!ReadLine(level, name)) return 0;
        if (!database.LoadEntity(name)) return 0;
    }
    return 1;
}

}  // namespace

EntityDatabase::EntityDatabase() : robotTypeHash(NameHash("robot")) {
    levelsDirectory[0] = '\0';
    entitiesDirectory[0] = '\0';
}

EntityDatabase::~EntityDatabase() {
    Clear();
}

int EntityDatabase::Init(GLRenderer* newRenderer, const char* levels, const char* entities) {
    renderer = newRenderer;
    if (!ResolveDirectory(levels, levelsDirectory) ||
        !ResolveDirectory(entities, entitiesDirectory)) {
        levelsDirectory[0] = '\0';
        entitiesDirectory[0] = '\0';
        return 0;
    }
    return 1;
}

int EntityDatabase::LoadLevel(const char* name) {
    Clear();
    if (levelsDirectory[0] == '\0' || !IsPlainName(name)) return 0;
    PathBuffer remembered;
    PathBuffer directory;
    PathBuffer fileName;
    if (!GetWorkingDirectory(remembered) || !Join(directory, levelsDirectory, name) ||
        !Join(fileName, name, ".txt")) {
        return 0;
    }
    if (!SetCurrentDirectoryA(directory)) return 0;

    int result = 0;
    {
        std::ifstream level(fileName);
        if (level.is_open()) result = LoadListedEntities(*this, level);
    }
    SetCurrentDirectoryA(remembered);
    return result;
}

int EntityDatabase::LoadEntity(const char* name) {
    if (entitiesDirectory[0] == '\0' || renderer == nullptr || !IsPlainName(name)) return 0;
    PathBuffer remembered;
    PathBuffer directory;
    PathBuffer fileName;
    if (!GetWorkingDirectory(remembered) || !Join(directory, entitiesDirectory, name) ||
        !Join(fileName, name, ".txt")) {
        return 0;
    }
    if (!SetCurrentDirectoryA(directory)) return 0;
    // The model file name is relative to the entity's directory, which is current until the
    // prototype is made.
    Object3D* prototype = LoadPrototype(fileName);
    SetCurrentDirectoryA(remembered);
    if (prototype == nullptr) return 0;

    prototypes.push_back(prototype);
    nameHashes.push_back(NameHash(name));
    return 1;
}

Object3D* EntityDatabase::FindEntity(const char* name) {
    if (name == nullptr) return nullptr;
    const int32_t hash = NameHash(name);
    for (size_t i = 0; i < nameHashes.size(); ++i) {
        if (nameHashes[i] != hash) continue;
        // Only the first prototype with the hash counts, whatever its kind.
        Object3D* prototype = prototypes[i];
        if (prototype == nullptr || prototype->GetTypeId() != &Robot::typeTag) return nullptr;
        Object3D* clone = prototype->Clone();
        if (clone == nullptr) return nullptr;
        // The copy came with the prototype's instance; it draws through one of its own.
        DrawableHandle* instance =
            renderer != nullptr ? renderer->CreateInstance(clone->GetModel()) : nullptr;
        clone->SetRenderInstance(instance);
        return clone;
    }
    return nullptr;
}

void EntityDatabase::Clear() {
    for (Object3D* prototype : prototypes) delete prototype;
    prototypes.clear();
    nameHashes.clear();
}

Object3D* EntityDatabase::LoadPrototype(const char* fileName) {
    PathBuffer type;
    PathBuffer modelFile;
    {
        std::ifstream description(fileName);
        if (!description.is_open()) return nullptr;
        // A description without a second line names no model, which then fails to load.
        if (!ReadLine(description, type) || !ReadLine(description, modelFile)) return nullptr;
    }
    // Types are compared by hash, as names are everywhere.
    if (NameHash(type) != robotTypeHash) return nullptr;

    Robot* robot = new (std::nothrow) Robot();
    if (robot == nullptr) return nullptr;
    Model* model = renderer->LoadModel(modelFile);
    if (model == nullptr) {
        delete robot;
        return nullptr;
    }
    robot->SetModel(model);
    return robot;
}
