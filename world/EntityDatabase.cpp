#include "world/EntityDatabase.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <new>
#include <string>
#include <system_error>

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

// The absolute path of a path of any length, with the system's own separators; false when it
// has none.
bool FullPath(const std::string& path, std::string& full) {
    const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return false;
    full.assign(size, '\0');
    const DWORD length = GetFullPathNameA(path.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size) return false;
    full.resize(length);
    return true;
}

// A path as the failure reasons show it: absolute, with the system's own separators (names
// join onto the data directories with a backslash, which the file calls take as a separator
// everywhere); as given when it has no absolute path.
std::string ShownPath(const std::string& path) {
    std::string full;
    return FullPath(path, full) ? full : path;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Why a directory could not be made the working directory. The change of directory itself
// says only that it failed; the file system tells why.
std::string WhyNotEntered(const std::string& shownPath) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(shownPath, error);
    if (error) return error.message();
    if (!std::filesystem::is_directory(status)) return "it is not a directory";
    return "it cannot be entered";
}

// Opens a text file in the working directory; false with the reason in why when it cannot be
// read. A directory is refused before it is opened: some systems open one and then read
// nothing from it, which would pass for an empty file.
bool OpenText(std::ifstream& stream, const char* fileName, std::string& why) {
    std::error_code error;
    if (std::filesystem::is_directory(fileName, error)) {
        why = "it is a directory";
        return false;
    }
    errno = 0;
    stream.open(fileName);
    if (stream.is_open()) return true;
    why = errno != 0 ? std::strerror(errno) : "it cannot be opened";
    return false;
}

const char kNotSetUp[] = "the data directories are not set up: Init did not succeed";
const char kNoWorkingDirectory[] =
    "the working directory cannot be read or has more than 127 characters";

// Why Init could not take a data directory name; ResolveDirectory refuses only these.
std::string WhyNotResolved(const char* name) {
    if (name == nullptr) return "no data directory name given";
    std::string shown;
    if (!FullPath(name, shown)) {
        return "the data directory " + Quoted(name) + " has no absolute path";
    }
    return "the data directory " + shown + " has an absolute path of " +
           std::to_string(shown.size()) + " characters; at most " + std::to_string(kPathSize - 2) +
           " fit";
}

// what is "level" or "entity".
std::string WhyNotAName(const char* what, const char* name) {
    if (name == nullptr) return std::string("no ") + what + " name given";
    if (name[0] == '\0') return std::string("the ") + what + " name is empty";
    return Quoted(name) + " is not a plain " + what +
           " name (it holds a path separator or is \".\" or \"..\")";
}

// Why the model an entity description (shown) names did not load. The loader knows what is
// wrong with a file it read; that the file is missing or a directory the file system tells.
std::string WhyNoModel(const std::string& description, const char* modelFile,
                       const char* loaderReason) {
    if (modelFile[0] == '\0') {
        return "the entity description " + description + " names no model file on line 2";
    }
    const std::string shown = ShownPath(modelFile);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(shown, error);
    if (error) return "cannot open the model file " + shown + ": " + error.message();
    if (std::filesystem::is_directory(status)) {
        return "cannot open the model file " + shown + ": it is a directory";
    }
    return "the model file " + shown + " is refused: " + loaderReason;
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
    char text[kPathSize + 1];  // one more for a carriage return
    int length = 0;
    for (int c = stream.get(); c != std::char_traits<char>::eof() && c != '\n'; c = stream.get()) {
        if (length == kPathSize) return false;
        text[length++] = static_cast<char>(c);
    }
    if (length > 0 && text[length - 1] == '\r') --length;
    if (length >= kPathSize) return false;
    std::memcpy(line, text, length);
    line[length] = '\0';
    return true;
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
    const bool levelsResolved = ResolveDirectory(levels, levelsDirectory);
    if (!levelsResolved || !ResolveDirectory(entities, entitiesDirectory)) {
        levelsDirectory[0] = '\0';
        entitiesDirectory[0] = '\0';
        return Fail(WhyNotResolved(levelsResolved ? entities : levels));
    }
    failureReason.clear();
    return 1;
}

int EntityDatabase::LoadLevel(const char* name) {
    Clear();
    failureReason.clear();
    levelFile.clear();
    if (levelsDirectory[0] == '\0') return Fail(kNotSetUp);
    if (!IsPlainName(name)) return Fail(WhyNotAName("level", name));
    PathBuffer remembered;
    PathBuffer fileName;
    if (!EnterNamedDirectory("level", "level file", levelsDirectory, name, remembered, fileName)) {
        return 0;
    }

    int result = 0;
    {
        const std::string shown = ShownPath(fileName);
        std::ifstream level;
        std::string why;
        if (OpenText(level, fileName, why)) {
            levelFile = shown;
            result = LoadListedEntities(level);
        } else {
            Fail("cannot open the level file " + shown + ": " + why);
        }
    }
    SetCurrentDirectoryA(remembered);
    return result;
}

int EntityDatabase::EnterNamedDirectory(const char* what, const char* fileWhat,
                                        const char* dataDirectory, const char* name,
                                        PathBuffer& remembered, PathBuffer& fileName) {
    PathBuffer directory;
    if (!GetWorkingDirectory(remembered)) return Fail(kNoWorkingDirectory);
    if (!Join(directory, dataDirectory, name)) {
        return Fail(std::string("the ") + what + " directory " +
                    ShownPath(std::string(dataDirectory) + name) + " has more than 127 characters");
    }
    if (!Join(fileName, name, ".txt")) {
        return Fail(std::string("the ") + fileWhat + " name " + Quoted(std::string(name) + ".txt") +
                    " has more than 127 characters");
    }
    if (!SetCurrentDirectoryA(directory)) {
        const std::string shown = ShownPath(directory);
        return Fail(std::string("cannot enter the ") + what + " directory " + shown + ": " +
                    WhyNotEntered(shown));
    }
    return 1;
}

int EntityDatabase::LoadEntity(const char* name) {
    if (entitiesDirectory[0] == '\0') return Fail(kNotSetUp);
    if (renderer == nullptr) return Fail("there is no renderer to load models with");
    if (!IsPlainName(name)) return Fail(WhyNotAName("entity", name));
    PathBuffer remembered;
    PathBuffer fileName;
    if (!EnterNamedDirectory("entity", "entity description", entitiesDirectory, name, remembered,
                             fileName)) {
        return 0;
    }
    // The model file name is relative to the entity's directory, which is current until the
    // prototype is made.
    Object3D* prototype = LoadPrototype(fileName);
    SetCurrentDirectoryA(remembered);
    if (prototype == nullptr) return 0;  // the reason is set

    prototypes.push_back(prototype);
    nameHashes.push_back(NameHash(name));
    failureReason.clear();
    return 1;
}

Object3D* EntityDatabase::FindEntity(const char* name) {
    if (name == nullptr) {
        Fail("no entity name given");
        return nullptr;
    }
    const int32_t hash = NameHash(name);
    for (size_t i = 0; i < nameHashes.size(); ++i) {
        if (nameHashes[i] != hash) continue;
        // Only the first prototype with the hash counts, whatever its kind.
        Object3D* prototype = prototypes[i];
        if (prototype == nullptr || prototype->GetTypeId() != &Robot::typeTag) {
            Fail("the entity " + Quoted(name) + " is not a robot");
            return nullptr;
        }
        Object3D* clone = prototype->Clone();
        if (clone == nullptr) {
            Fail("out of memory for a copy of the entity " + Quoted(name));
            return nullptr;
        }
        // The copy came with the prototype's instance; it draws through one of its own.
        DrawableHandle* instance =
            renderer != nullptr ? renderer->CreateInstance(clone->GetModel()) : nullptr;
        clone->SetRenderInstance(instance);
        failureReason.clear();
        return clone;
    }
    if (levelFile.empty()) {
        Fail("no entity " + Quoted(name) + " is loaded");
    } else {
        Fail("no entity " + Quoted(name) + " was loaded from the level file " + levelFile);
    }
    return nullptr;
}

void EntityDatabase::Clear() {
    for (Object3D* prototype : prototypes) delete prototype;
    prototypes.clear();
    nameHashes.clear();
}

int EntityDatabase::LoadListedEntities(std::istream& level) {
    PathBuffer name;
    int line = 0;
    int loaded = 0;
    // The end is tested before each read, so a final line feed leaves one more, empty, name,
    // which fails.
    while (!level.eof()) {
        ++line;
        const auto where = [&] {
            return "line " + std::to_string(line) + " of the level file " + levelFile;
        };
        if (!ReadLine(level, name)) return Fail(where() + " has more than 127 characters");
        if (LoadEntity(name)) {
            ++loaded;
            continue;
        }
        if (name[0] != '\0') {
            return Fail("the entity on " + where() + ", " + Quoted(name) +
                        ", did not load: " + failureReason);
        }
        if (!level.eof()) return Fail(where() + " is empty");
        if (loaded == 0) return Fail("the level file " + levelFile + " lists no entity");
        // Only the empty name after the final line feed failed: every listed entity is
        // loaded and there is nothing to mend.
        failureReason.clear();
        return 0;
    }
    return 1;
}

int EntityDatabase::Fail(const std::string& reason) {
    failureReason = reason;
    return 0;
}

Object3D* EntityDatabase::LoadPrototype(const char* fileName) {
    const std::string shown = ShownPath(fileName);
    PathBuffer type;
    PathBuffer modelFile;
    {
        std::ifstream description;
        std::string why;
        if (!OpenText(description, fileName, why)) {
            Fail("cannot open the entity description " + shown + ": " + why);
            return nullptr;
        }
        // A description without a second line names no model, which then fails to load.
        if (!ReadLine(description, type)) {
            Fail("line 1 of the entity description " + shown + " has more than 127 characters");
            return nullptr;
        }
        if (!ReadLine(description, modelFile)) {
            Fail("line 2 of the entity description " + shown + " has more than 127 characters");
            return nullptr;
        }
    }
    // Types are compared by hash, as names are everywhere.
    if (NameHash(type) != robotTypeHash) {
        Fail("the entity description " + shown + " gives the type " + Quoted(type) +
             ", not \"robot\"");
        return nullptr;
    }

    Robot* robot = new (std::nothrow) Robot();
    if (robot == nullptr) {
        Fail("out of memory for the robot of " + shown);
        return nullptr;
    }
    Model* model = renderer->LoadModel(modelFile);
    if (model == nullptr) {
        delete robot;
        Fail(WhyNoModel(shown, modelFile, renderer->ModelFailureReason()));
        return nullptr;
    }
    robot->SetModel(model);
    return robot;
}
