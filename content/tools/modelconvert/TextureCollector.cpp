#include "content/tools/modelconvert/TextureCollector.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include <assimp/scene.h>
#include <assimp/texture.h>
#include <stb/stb_image.h>

#include "content/tools/modelconvert/TextureFinder.h"

namespace fs = std::filesystem;

namespace {

// Image files larger than this are not read.
constexpr std::uintmax_t kMostFileBytes = 256u << 20;
// Nor are pictures of more pixels decoded: 64 million take 256 MB already.
constexpr long long kMostPixels = 64ll << 20;
// Room for both halves of a file name within the 127 bytes a record holds.
constexpr std::size_t kMostNameBytes = 48;

const char* const kDrawnWithout = "; its materials are drawn without it";

// Letters, digits, '-' and '_' as they are, everything else '_', cut short.
std::string Portable(const std::string& text) {
    std::string name;
    for (char c : text) {
        name += std::isalnum(static_cast<unsigned char>(c)) || c == '-' ? c : '_';
        if (name.size() == kMostNameBytes) break;
    }
    return name.empty() ? "texture" : name;
}

// The file name without folder and extension; names from the source's
// machine may use either kind of slash.
std::string Stem(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return fs::path(name).stem().string();
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A decoded picture keeps its alpha channel only where some pixel is not opaque.
void DropOpaqueAlpha(TgaPicture& picture) {
    if (picture.channels != 4) return;
    for (std::size_t i = 3; i < picture.pixels.size(); i += 4) {
        if (picture.pixels[i] != 255) return;
    }
    std::size_t to = 0;
    for (std::size_t from = 0; from < picture.pixels.size(); from += 4) {
        for (std::size_t k = 0; k < 3; ++k) picture.pixels[to++] = picture.pixels[from + k];
    }
    picture.pixels.resize(to);
    picture.channels = 3;
}

bool SizeIsLoadable(long long width, long long height, std::string& problem) {
    if (width >= 1 && height >= 1 && width <= TgaWriter::kMaxSide &&
        height <= TgaWriter::kMaxSide && width * height <= kMostPixels) {
        return true;
    }
    problem = "it is " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels, more than the program loads (" + std::to_string(TgaWriter::kMaxSide) +
              " on a side, " + std::to_string(kMostPixels) + " in all)";
    return false;
}

// Decodes an image file's bytes (PNG, JPEG, TGA, BMP, GIF, PSD, HDR, PIC, PNM).
bool Decode(const std::uint8_t* data, std::size_t size, TgaPicture& picture, std::string& problem) {
    const int length = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) {
        problem = std::string("it is in no image format the converter decodes (") +
                  stbi_failure_reason() + ")";
        return false;
    }
    if (!SizeIsLoadable(width, height, problem)) return false;
    const int wanted = channels == 2 || channels == 4 ? 4 : 3;
    stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, wanted);
    if (pixels == nullptr) {
        problem = std::string("it cannot be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    picture.width = width;
    picture.height = height;
    picture.channels = wanted;
    picture.pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height * wanted);
    stbi_image_free(pixels);
    DropOpaqueAlpha(picture);
    return true;
}

// A texture kept inside the scene: an image file's bytes, or texels.
bool DecodeEmbedded(const aiTexture& texture, TgaPicture& picture, std::string& problem) {
    if (texture.pcData == nullptr || texture.mWidth == 0) {
        problem = "the scene holds no pixels for it";
        return false;
    }
    if (texture.mHeight == 0) {
        if (Decode(reinterpret_cast<const std::uint8_t*>(texture.pcData), texture.mWidth, picture,
                   problem)) {
            return true;
        }
        return false;
    }
    if (!SizeIsLoadable(texture.mWidth, texture.mHeight, problem)) return false;
    picture.width = static_cast<int>(texture.mWidth);
    picture.height = static_cast<int>(texture.mHeight);
    picture.channels = 4;
    const std::size_t count = static_cast<std::size_t>(texture.mWidth) * texture.mHeight;
    picture.pixels.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        const aiTexel& texel = texture.pcData[i];
        picture.pixels[i * 4 + 0] = texel.r;
        picture.pixels[i * 4 + 1] = texel.g;
        picture.pixels[i * 4 + 2] = texel.b;
        picture.pixels[i * 4 + 3] = texel.a;
    }
    DropOpaqueAlpha(picture);
    return true;
}

bool ReadFile(const fs::path& path, std::vector<std::uint8_t>& bytes, std::string& problem) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMostFileBytes) {
        problem = error ? "it cannot be read" : "it is larger than the converter reads";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        problem = "it cannot be read";
        return false;
    }
    return true;
}

}  // namespace

TextureCollector::TextureCollector(const aiScene& scene, const std::string& sourcePath,
                                   const std::string& modelName)
    : scene(scene),
      sourceFolder(fs::path(sourcePath).parent_path().string()),
      modelName(Portable(modelName)) {}

std::int32_t TextureCollector::Add(const std::string& reference) {
    const auto known = byReference.find(reference);
    if (known != byReference.end()) return known->second;
    std::int32_t& index = byReference[reference];
    index = -1;

    TgaPicture picture;
    std::string where;  // the file the name led to, if any
    std::string problem;
    const std::pair<const aiTexture*, int> embedded =
        scene.GetEmbeddedTextureAndIndex(reference.c_str());
    if (embedded.first != nullptr) {
        const std::string key = "*" + std::to_string(embedded.second);
        const auto same = bySource.find(key);
        if (same != bySource.end()) return index = same->second;
        const std::string name = embedded.first->mFilename.C_Str();
        const std::string stem =
            name.empty() ? "texture" + std::to_string(embedded.second) : Stem(name);
        if (DecodeEmbedded(*embedded.first, picture, problem)) {
            return index = Keep(key, stem, std::move(picture));
        }
        where = embedded.first->mHeight == 0
                    ? " (embedded as " + std::string(embedded.first->achFormatHint) + ")"
                    : " (embedded)";
    } else if (!reference.empty() && reference[0] == '*') {
        problem = "the scene embeds no such texture";
    } else {
        const fs::path found = TextureFinder(sourceFolder).Find(reference);
        if (found.empty()) {
            const std::string folder = sourceFolder.empty() ? "." : sourceFolder;
            problem = "no such file in or under '" + folder + "'";
        } else {
            std::error_code error;
            const std::string key = fs::weakly_canonical(found, error).string();
            const auto same = bySource.find(key);
            if (same != bySource.end()) return index = same->second;
            std::vector<std::uint8_t> bytes;
            if (ReadFile(found, bytes, problem) &&
                Decode(bytes.data(), bytes.size(), picture, problem)) {
                return index = Keep(key, found.stem().string(), std::move(picture));
            }
            where = " ('" + found.string() + "')";
        }
    }
    warnings.push_back("texture '" + reference + "'" + where + ": " + problem + kDrawnWithout);
    return index;
}

std::int32_t TextureCollector::Keep(const std::string& key, const std::string& stem,
                                    TgaPicture&& picture) {
    const std::int32_t index = static_cast<std::int32_t>(records.size());
    records.push_back({FileNameFor(stem), 0, 0});
    pictures.push_back(std::move(picture));
    bySource[key] = index;
    return index;
}

std::string TextureCollector::FileNameFor(const std::string& stem) {
    const std::string base = modelName + "_" + Portable(stem);
    std::string name = base + ".tga";
    for (int number = 2; !takenNames.insert(Lower(name)).second; ++number) {
        name = base + "_" + std::to_string(number) + ".tga";
    }
    return name;
}
