// Decoding TGA files made by the tests: both image types agree with each
// other and with an independent decoder, and malformed files are refused
// without reading or allocating past what the file holds.
#include <gtest/gtest.h>

#include "render/Model.h"
#include "render/TgaImage.h"
#include "render/TgaTexture.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TgaFile.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <stb/stb_image.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Repeat(const Bytes& pixel, int times) {
    Bytes pixels;
    for (int i = 0; i < times; ++i) pixels.insert(pixels.end(), pixel.begin(), pixel.end());
    return pixels;
}

Bytes PixelsOf(const Image& image) {
    const std::size_t size = static_cast<std::size_t>(image.width) * image.height *
                             Image::BytesPerPixel(image.bitsPerPixel);
    if (image.pixels == nullptr) return {};
    return Bytes(image.pixels, image.pixels + size);
}

class TgaImageTest : public ::testing::Test {
protected:
    // Writes the file and loads it into image.
    bool Load(const Bytes& file, TgaImage& image, const std::string& name = "image.tga") {
        return image.Load(RecordFor(directory.Write(name, file)));
    }

    static TextureRecord RecordFor(const std::string& path) {
        TextureRecord record;
        EXPECT_LT(path.size(), sizeof(record.fileName));
        std::strncpy(record.fileName, path.c_str(), sizeof(record.fileName) - 1);
        return record;
    }

    static void ExpectEmpty(const Image& image) {
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(image.width, 0);
        EXPECT_EQ(image.height, 0);
        EXPECT_EQ(image.bitsPerPixel, 0);
    }

    TemporaryDirectory directory;
};

TEST_F(TgaImageTest, UncompressedAndRunLengthFilesDecodeToTheSamePixels) {
    for (int depth : {24, 32}) {
        SCOPED_TRACE(depth);
        const Bytes pixels = PatternPixels(7, 5, depth / 8, 17u);
        TgaTexture uncompressed;
        TgaTexture runLength;
        ASSERT_TRUE(Load(TgaFile(2, 7, 5, depth, pixels), uncompressed));
        ASSERT_TRUE(Load(TgaFile(10, 7, 5, depth, RunLengthEncode(pixels, depth / 8)), runLength));

        EXPECT_EQ(PixelsOf(uncompressed), pixels);
        EXPECT_EQ(PixelsOf(runLength), pixels);
        EXPECT_EQ(runLength.width, 7);
        EXPECT_EQ(runLength.height, 5);
        EXPECT_EQ(runLength.bitsPerPixel, depth);
        EXPECT_EQ(uncompressed.header.imageType, 2);
        EXPECT_EQ(runLength.header.imageType, 10);
    }
}

TEST_F(TgaImageTest, RunPacketsRepeatOnePixelAndRawPacketsCopyTheirs) {
    TgaTexture image;
    ASSERT_TRUE(Load(TgaFile(10, 2, 2, 24, {131, 10, 20, 30}), image));
    EXPECT_EQ(PixelsOf(image), Repeat({10, 20, 30}, 4));

    // A raw packet of two, then a run of three crossing into the second row.
    ASSERT_TRUE(Load(TgaFile(10, 5, 1, 24, {1, 1, 2, 3, 4, 5, 6, 130, 7, 8, 9}), image));
    EXPECT_EQ(PixelsOf(image), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 7, 8, 9, 7, 8, 9}));
}

TEST_F(TgaImageTest, PacketsReachingPastTheLastPixelAreCutThere) {
    TgaTexture image;
    // A run of five into three pixels.
    ASSERT_TRUE(Load(TgaFile(10, 3, 1, 24, {132, 1, 2, 3}), image));
    EXPECT_EQ(PixelsOf(image), Repeat({1, 2, 3}, 3));

    // One pixel, then a raw packet of four with only three places left.
    ASSERT_TRUE(Load(
        TgaFile(10, 2, 2, 32, {128, 9, 9, 9, 9, 3, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4}),
        image));
    EXPECT_EQ(PixelsOf(image), (Bytes{9, 9, 9, 9, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}));
}

TEST_F(TgaImageTest, IdAndColourMapFieldsAreSkippedAndRowsStayInFileOrder) {
    TgaHeader header = MakeTgaHeader(2, 1, 2, 24, 0x20);  // descriptor: top-left origin
    header.idLength = 4;
    header.colourMapFirstEntry = 7;
    header.colourMapLength = 300;
    header.colourMapEntrySize = 24;
    TgaTexture image;
    ASSERT_TRUE(Load(TgaFile(header, {'n', 'a', 'm', 'e', 1, 2, 3, 4, 5, 6}), image));
    EXPECT_EQ(PixelsOf(image), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(image.header.idLength, 4);
    EXPECT_EQ(image.header.colourMapLength, 300);
    EXPECT_EQ(image.header.imageDescriptor, 0x20);
}

TEST_F(TgaImageTest, MalformedFilesAreRefusedWithoutReadingOrAllocatingPastThem) {
    const Bytes pixels = PatternPixels(4, 4, 3, 9u);
    const Bytes whole = TgaFile(2, 4, 4, 24, pixels);
    const Bytes packed = TgaFile(10, 4, 4, 24, RunLengthEncode(pixels, 3));
    struct Case {
        const char* what;
        Bytes file;
    };
    const std::vector<Case> cases = {
        {"empty file", {}},
        {"header cut short", Bytes(whole.begin(), whole.begin() + 10)},
        {"header only", Bytes(whole.begin(), whole.begin() + 18)},
        {"identification field cut short",
         [] {
             TgaHeader header = MakeTgaHeader(2, 1, 1, 24);
             header.idLength = 200;
             return TgaFile(header, Bytes(20, 1));
         }()},
        {"last pixel byte missing", Bytes(whole.begin(), whole.end() - 1)},
        {"run-length stream ending early", Bytes(packed.begin(), packed.end() - 1)},
        {"largest uncompressed image in a small file", TgaFile(2, 32767, 32767, 32, Bytes(64, 1))},
        {"largest run-length image in a small file",
         TgaFile(10, 32767, 32767, 32, Repeat({255, 1, 2, 3, 4}, 200))},
        {"run-length stream of too few packets", TgaFile(10, 300, 1, 24, {255, 1, 2, 3})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TgaTexture image;
        EXPECT_FALSE(Load(c.file, image));
        ExpectEmpty(image);
    }

    TgaTexture image;
    EXPECT_FALSE(image.Load(RecordFor(directory.File("absent.tga"))));
    ExpectEmpty(image);
}

TEST_F(TgaImageTest, LoadingAgainReplacesThePixelsAndAFailedLoadLeavesNone) {
    TgaTexture image;
    ASSERT_TRUE(Load(TgaFile(2, 8, 8, 32, PatternPixels(8, 8, 4, 3u)), image));
    ASSERT_TRUE(Load(TgaFile(2, 1, 1, 24, {4, 5, 6}), image));
    EXPECT_EQ(PixelsOf(image), (Bytes{4, 5, 6}));
    EXPECT_EQ(image.bitsPerPixel, 24);

    EXPECT_FALSE(Load(TgaFile(3, 1, 1, 24, {4, 5, 6}), image));
    ExpectEmpty(image);
}

// The other decoder gives red, green, blue[, alpha] with the top row first;
// the files say their origin is the top left, so neither side turns rows.
Bytes DecodedElsewhere(const Bytes& file, int components) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* decoded = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width,
                                             &height, &channels, components);
    if (decoded == nullptr) return {};
    Bytes pixels(decoded, decoded + static_cast<std::size_t>(width) * height * components);
    stbi_image_free(decoded);
    for (std::size_t i = 0; i + 2 < pixels.size(); i += static_cast<std::size_t>(components)) {
        std::swap(pixels[i], pixels[i + 2]);  // to blue, green, red
    }
    return pixels;
}

TEST_F(TgaImageTest, AgreesWithAnIndependentDecoder) {
    struct Size {
        int width;
        int height;
    };
    const std::uint8_t topLeft = 0x20;
    std::uint32_t seed = 1;
    for (int type : {2, 10}) {
        for (int depth : {16, 24, 32}) {
            for (const Size& size :
                 {Size{1, 1}, Size{3, 2}, Size{17, 5}, Size{64, 64}, Size{300, 3}}) {
                SCOPED_TRACE(testing::Message() << "type " << type << ", depth " << depth << ", "
                                                << size.width << " x " << size.height);
                const int bytes = depth / 8;
                Bytes pixels = PatternPixels(size.width, size.height, bytes, ++seed);
                if (size.width == 300) {
                    // A run longer than one packet can hold.
                    for (std::size_t i = 0; i < 200u * bytes; ++i) pixels[i] = pixels[i % bytes];
                }
                const Bytes body = type == 2 ? pixels : RunLengthEncode(pixels, bytes);
                const Bytes file = TgaFile(type, size.width, size.height, depth, body, topLeft);

                TgaTexture image;
                ASSERT_TRUE(Load(file, image));
                // 16-bit pixels are compared as the colours the texture path makes of them.
                const int components = depth == 32 ? 4 : 3;
                if (depth == 16) {
                    ASSERT_TRUE(image.AddAlpha(0, TextureRecord().colourKey));
                }
                EXPECT_EQ(PixelsOf(image), DecodedElsewhere(file, components));
            }
        }
    }
}

}  // namespace
