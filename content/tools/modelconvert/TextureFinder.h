// Finds the image file a model names for a texture. Models made elsewhere
// name their textures in whatever form the exporting machine had: absolute
// ("C:\art\maps\Skin.png", "//DROPLETS.tga"), relative to some other folder
// ("..\Primitives\GridGrey.tga"), in another letter case. So the name is
// taken apart at slashes and backslashes, a drive letter is dropped, and the
// file is looked for under the model's folder with the whole remaining path,
// then with ever shorter tails of it, down to the bare file name beside the
// model; each part is matched without regard to letter case when it does not
// match as written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class TextureFinder {
public:
    explicit TextureFinder(std::filesystem::path modelFolder);

    // The file, or an empty path when none of the places holds it.
    std::filesystem::path Find(const std::string& name) const;

private:
    std::filesystem::path Walk(const std::vector<std::string>& parts) const;

    std::filesystem::path folder;
};
