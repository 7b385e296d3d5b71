// Turns the textures a scene's materials name into pictures for TGA files
// beside the converted model, and the model's texture records naming those
// files. The program loads TGA files only, so every texture, whatever its
// format, is found (see TextureFinder) or taken from the scene where the file
// embeds it (GLB, FBX), decoded, and kept as a picture to be written.
//
// Each record names its file relative to the model, which is how the
// program finds it: the model's name, an underscore, the texture's own name
// (letters, digits, '-' and '_' only, so that the name holds on every
// system), ".tga". The model's name in front keeps a texture from taking the
// name of a source file lying in the same folder.
//
// A texture that cannot be found or decoded gets one warning naming it, and
// the materials that use it are drawn without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "content/tools/modelwriter/ModelWriter.h"
#include "content/tools/modelwriter/TgaWriter.h"

struct aiScene;
struct aiTexture;

class TextureCollector {
public:
    // sourcePath is the file the scene came from; modelName the name of the
    // model file to be written, without folder and extension.
    TextureCollector(const aiScene& scene, const std::string& sourcePath,
                     const std::string& modelName);

    // The record for the texture a material names, or -1 when it cannot be used.
    std::int32_t Add(const std::string& reference);

    // One record per usable texture, and its picture at the same index.
    const std::vector<TextureDescription>& Records() const { return records; }
    std::vector<TgaPicture>& Pictures() { return pictures; }
    const std::vector<std::string>& Warnings() const { return warnings; }

private:
    std::int32_t Keep(const std::string& key, const std::string& stem, TgaPicture&& picture);
    std::string FileNameFor(const std::string& stem);

    const aiScene& scene;
    std::string sourceFolder;
    std::string modelName;
    std::map<std::string, std::int32_t> byReference;  // -1 for those already warned of
    std::map<std::string, std::int32_t> bySource;
    std::set<std::string> takenNames;  // in lower case
    std::vector<TextureDescription> records;
    std::vector<TgaPicture> pictures;
    std::vector<std::string> warnings;
};
