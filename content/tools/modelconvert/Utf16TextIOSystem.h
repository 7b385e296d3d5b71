// The import library's file access, with one addition: a file that starts
// with a UTF-16 byte order mark and decodes as UTF-16 text is handed to the
// importers as UTF-8. Several of them read only 8-bit text and would find
// nothing in such a file, which some OBJ and ASE exporters write; the other
// files a scene names (its MTL library, say) go through the same door.
#pragma once

#include <assimp/DefaultIOSystem.h>

class Utf16TextIOSystem : public Assimp::DefaultIOSystem {
public:
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
};
