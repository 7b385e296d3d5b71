// Deriving the alpha channel: the value every mode gives, and what becomes of
// pixels that are not 24-bit to begin with.
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "render/Image.h"
#include "render/TgaTexture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::uint8_t kBlack[3] = {0, 0, 0};

void Fill(Image& image, int width, int bitsPerPixel, const Bytes& pixels) {
    image.Free();
    image.pixels = new std::uint8_t[pixels.size()];
    std::memcpy(image.pixels, pixels.data(), pixels.size());
    image.width = width;
    image.height = 1;
    image.bitsPerPixel = bitsPerPixel;
}

Bytes PixelsOf(const Image& image) {
    return Bytes(image.pixels,
                 image.pixels + image.width * Image::BytesPerPixel(image.bitsPerPixel));
}

TEST(ImageTest, EveryModeGivesTheAlphaOfItsFormula) {
    struct Case {
        int mode, red, green, blue, alpha;
    };
    const Case cases[] = {
        {1, 255, 0, 255, 0},     {1, 255, 0, 254, 255},   {1, 254, 0, 255, 255},
        {1, 255, 1, 255, 255},   {2, 3, 4, 12, 19},       {2, 100, 100, 100, 255},
        {3, 3, 4, 12, 9},        {3, 100, 100, 100, 150}, {3, 255, 255, 255, 255},
        {4, 30, 60, 90, 60},     {4, 255, 255, 254, 254}, {4, 255, 255, 255, 255},
        {5, 3, 4, 12, 169},      {5, 16, 0, 0, 255},      {6, 3, 4, 12, 84},
        {7, 3, 4, 12, 56},       {8, 3, 4, 12, 42},       {8, 31, 0, 0, 240},
        {8, 32, 0, 0, 255},      {9, 3, 4, 12, 13},       {9, 1, 1, 1, 1},
        {9, 255, 255, 255, 255}, {10, 0, 0, 0, 255},      {-1, 0, 0, 0, 255},
    };
    const std::uint8_t magenta[3] = {255, 0, 255};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " on (" << c.red << ", " << c.green
                                        << ", " << c.blue << ")");
        TgaTexture image;
        const Bytes bgr = {static_cast<std::uint8_t>(c.blue), static_cast<std::uint8_t>(c.green),
                           static_cast<std::uint8_t>(c.red)};
        Fill(image, 1, 24, bgr);
        ASSERT_TRUE(image.AddAlpha(c.mode, magenta));
        EXPECT_EQ(image.bitsPerPixel, 32);
        Bytes expected = bgr;
        expected.push_back(static_cast<std::uint8_t>(c.alpha));
        EXPECT_EQ(PixelsOf(image), expected);
    }
}

TEST(ImageTest, ModeZeroKeepsTwentyFourBitPixelsAsTheyAre) {
    TgaTexture image;
    Fill(image, 2, 24, {1, 2, 3, 4, 5, 6});
    const std::uint8_t* before = image.pixels;
    EXPECT_TRUE(image.AddAlpha(0, kBlack));
    EXPECT_EQ(image.pixels, before);
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(PixelsOf(image), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(ImageTest, OtherDepthsAreReducedToTheirColourFirst) {
    TgaTexture image;
    // Blue, green, red, alpha: the file's alpha plays no part.
    Fill(image, 2, 32, {10, 20, 30, 0, 40, 50, 60, 255});
    ASSERT_TRUE(image.AddAlpha(0, kBlack));
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(PixelsOf(image), (Bytes{10, 20, 30, 40, 50, 60}));
    Fill(image, 2, 32, {10, 20, 30, 0, 40, 50, 60, 255});
    ASSERT_TRUE(image.AddAlpha(4, kBlack));
    EXPECT_EQ(PixelsOf(image), (Bytes{10, 20, 30, 20, 40, 50, 60, 50}));

    // Five bits a channel, little-endian, red highest: red 31, green 0, blue 16
    // with the top bit set; then red 0, green 1, blue 31.
    Fill(image, 2, 16, {0x10, 0xFC, 0x3F, 0x00});
    ASSERT_TRUE(image.AddAlpha(0, kBlack));
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(PixelsOf(image), (Bytes{131, 0, 255, 255, 8, 0}));
    const std::uint8_t key[3] = {255, 0, 131};
    Fill(image, 2, 16, {0x10, 0xFC, 0x3F, 0x00});
    ASSERT_TRUE(image.AddAlpha(1, key));
    EXPECT_EQ(PixelsOf(image), (Bytes{131, 0, 255, 0, 255, 8, 0, 255}));
}

TEST(ImageTest, AnImageWithoutPixelsHasNoAlphaToDerive) {
    TgaTexture image;
    EXPECT_FALSE(image.AddAlpha(0, kBlack));
    EXPECT_FALSE(image.AddAlpha(2, kBlack));
    EXPECT_EQ(image.pixels, nullptr);
}

}  // namespace
