// TGA files of any content through TgaImage::Load, and every image it decodes
// through AddAlpha in every mode (the ten the textures use and two others).
// A file is either refused, leaving the image empty, or decoded into exactly
// the pixels its header announces.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "fuzz/ScratchDirectory.h"
#include "render/Model.h"
#include "render/TgaImage.h"

namespace {

// The decoder without an upload: decoding needs no OpenGL.
class DecodedImage : public TgaImage {
public:
    bool Upload(TextureRecord&) override { return false; }
};

// A copy of decoded pixels for one AddAlpha.
class PixelCopy : public Image {
public:
    explicit PixelCopy(const Image& source) {
        const std::size_t size = static_cast<std::size_t>(source.width) *
                                 static_cast<std::size_t>(source.height) *
                                 static_cast<std::size_t>(BytesPerPixel(source.bitsPerPixel));
        pixels = new std::uint8_t[size];
        std::memcpy(pixels, source.pixels, size);
        width = source.width;
        height = source.height;
        bitsPerPixel = source.bitsPerPixel;
    }
    bool Load(const TextureRecord&) override { return false; }
    bool Upload(TextureRecord&) override { return false; }
};

constexpr int kModes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1};

void CheckAlpha(const DecodedImage& image) {
    // The key is the first pixel's colour, so mode 1 meets both a keyed and
    // (usually) an unkeyed pixel.
    std::uint8_t key[3] = {0, 0, 0};
    if (image.bitsPerPixel != 16) {
        key[0] = image.pixels[2];
        key[1] = image.pixels[1];
        key[2] = image.pixels[0];
    }
    for (int mode : kModes) {
        PixelCopy copy(image);
        Require(copy.AddAlpha(mode, key), "AddAlpha fails on a decoded image");
        Require(copy.width == image.width && copy.height == image.height,
                "AddAlpha changes the size");
        Require(copy.bitsPerPixel == (mode == 0 ? 24 : 32), "AddAlpha leaves the wrong depth");
        if (mode == 1 && image.bitsPerPixel != 16) {
            Require(copy.pixels[3] == 0, "mode 1 keeps the key colour opaque");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TextureRecord record;
    const std::string path = ScratchDirectory::WriteFile("image.tga", data, size);
    Require(path.size() < sizeof(record.fileName), "the scratch path is too long");
    std::memcpy(record.fileName, path.c_str(), path.size() + 1);

    DecodedImage image;
    if (!image.Load(record)) {
        Require(image.pixels == nullptr && image.width == 0 && image.height == 0 &&
                    image.bitsPerPixel == 0,
                "a refused file leaves pixels behind");
        return 0;
    }
    Require(image.pixels != nullptr, "a decoded image has no pixels");
    Require(image.width == image.header.width && image.height == image.header.height &&
                image.bitsPerPixel == image.header.pixelDepth,
            "the image does not have the size its header gives");
    Require(image.width >= 1 && image.height >= 1 && image.bitsPerPixel >= 16,
            "an image the decoder should refuse was decoded");
    CheckAlpha(image);

    image.Free();
    Require(image.pixels == nullptr && image.width == 0, "Free leaves pixels behind");
    return 0;
}
