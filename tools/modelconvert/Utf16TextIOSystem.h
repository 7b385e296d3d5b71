// The import library's file access, with one addition: a file that starts
// with a UTF-16 byte order mark and decodes as UTF-16 text is handed to the
// importers as UTF-8. Several of them read only 8-bit text and would find
// nothing in such a file (Irrlicht scenes and meshes are usually UTF-16, and
// some OBJ and ASE exporters write it); a scene's other files, such as the
// meshes an Irrlicht scene names, go through the same door.
#pragma once

#include <assimp/DefaultIOSystem.h>

class Utf16TextIOSystem : public Assimp::DefaultIOSystem {
public:
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
};
