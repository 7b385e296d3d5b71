// The entity prototypes of the loaded level and the clones made from them. A level is a text
// file listing entity names, one per line; an entity is a directory holding a description
// (its type, then its model file name) and the model file. Entities are known by the NameHash
// of their name.
//
//     Levels\01\01.txt               brakmoor
//     Entities\brakmoor\brakmoor.txt robot
//                                    brakmoor.mdl
//
// Every path is built in a 128-character buffer, and every line is at most 127 characters:
// anything longer, and any name that is not a plain file name (a path separator, "." or ".."),
// is refused.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

class GLRenderer;
class Object3D;

class EntityDatabase {
public:
    static constexpr int kPathSize = 128;  // every path and line buffer, terminator included

    EntityDatabase();
    EntityDatabase(const EntityDatabase&) = delete;
    EntityDatabase& operator=(const EntityDatabase&) = delete;
    // Deletes the prototypes; clones handed out live on.
    virtual ~EntityDatabase();

    // Keeps the renderer and resolves the two directory names against the working directory.
    // 0 when either absolute path, with the backslash appended, does not fit kPathSize; the
    // database then loads nothing until a later Init succeeds.
    virtual int Init(GLRenderer* renderer, const char* levels, const char* entities);
    // Replaces every prototype by the entities the level lists, in file order. Stops with 0 at
    // the first entity that fails; those before it stay loaded. A level file ending in a line
    // feed lists an empty name last, so it loads everything and then answers 0.
    virtual int LoadLevel(const char* name);
    // Reads the entity's description and model and appends a robot prototype for it. 0, with
    // nothing appended, when the directory, description or model cannot be read, a line is too
    // long or the type is not "robot".
    virtual int LoadEntity(const char* name);
    // A new copy of the first prototype loaded under the name's hash, with a drawing instance
    // of its own; owned by the caller. Null when no prototype has that hash or the first one
    // is not a robot.
    virtual Object3D* FindEntity(const char* name);
    // Deletes every prototype and empties both arrays; their capacity stays.
    virtual void Clear();
    // Why the last Init, LoadLevel, LoadEntity or FindEntity failed, in words for a person
    // who has to mend the data: what was refused and the full path of the file or directory
    // at fault. Empty after a call that succeeded, and after a LoadLevel whose only failure
    // was the empty name after its file's final line feed: nothing needs mending there. The
    // database prints nothing itself.
    const char* FailureReason() const { return failureReason.c_str(); }

    int32_t robotTypeHash;
    GLRenderer* renderer = nullptr;     // not owned
    std::vector<Object3D*> prototypes;  // owned
    std::vector<int32_t> nameHashes;    // entry i: the hash prototypes[i] was loaded under
    char levelsDirectory[kPathSize];    // absolute, ending in a backslash; empty until Init
    char entitiesDirectory[kPathSize];

private:
    // Reads the description file in the current directory and makes a robot with its model;
    // null, with failureReason set, when the entity cannot be made.
    Object3D* LoadPrototype(const char* fileName);
    // Loads every entity the open level file (shown as levelFile) lists, in order; 0 at the
    // first one that fails.
    int LoadListedEntities(std::istream& level);
    // Sets failureReason; always 0, for returning.
    int Fail(const std::string& reason);
    // Remembers the working directory, makes dataDirectory + name the working directory and
    // names its text file (name + ".txt"). 0, with the reason naming what (a level or entity)
    // and its file (fileWhat), when a path does not fit or the directory cannot be entered.
    int EnterNamedDirectory(const char* what, const char* fileWhat, const char* dataDirectory,
                            const char* name, char (&remembered)[kPathSize],
                            char (&fileName)[kPathSize]);

    std::string failureReason;
    std::string levelFile;  // full path of the level file the last LoadLevel opened, or empty
};
