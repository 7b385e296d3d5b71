// Uploading images into OpenGL textures on a real context: the formats,
// levels, parameters and texels are read back from OpenGL.
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "render/Model.h"
#include "render/Texture.h"
#include "render/TgaTexture.h"
#include "tests/support/TestWindow.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Fill(Image& image, int width, int height, int bitsPerPixel, const Bytes& pixels) {
    image.Free();
    image.pixels = new std::uint8_t[pixels.size()];
    std::memcpy(image.pixels, pixels.data(), pixels.size());
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bitsPerPixel;
}

GLint LevelValue(int level, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint Parameter(GLenum name) {
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

// Level 0 of the bound texture as red, green, blue, alpha bytes.
Bytes Texels(int width, int height) {
    Bytes texels(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(window.Open(64, 64)) << "the tests need an X display"; }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        window.Close();
    }

    TestWindow window;
};

TEST_F(TextureTest, AlphaModeZeroUploadsRgbAndEveryOtherModeRgba) {
    for (int mode = 0; mode <= 10; ++mode) {
        SCOPED_TRACE(mode);
        TgaTexture texture;
        Fill(texture, 2, 2, 24, Bytes(12, 200));
        TextureRecord record;
        record.alphaMode = mode;
        record.uploadMode = mode % 2;  // both upload modes take both formats
        ASSERT_TRUE(texture.Upload(record));
        ASSERT_NE(record.glName, 0u);

        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), record.glName);
        EXPECT_EQ(LevelValue(0, GL_TEXTURE_INTERNAL_FORMAT), mode == 0 ? GL_RGB8 : GL_RGBA8);
        EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
        EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    }
}

TEST_F(TextureTest, TexelsAreTheImagesColoursWithTheDerivedAlpha) {
    // Blue, green, red: red, then magenta, then a dark grey.
    const Bytes pixels = {0, 0, 255, 255, 0, 255, 30, 30, 30};
    TgaTexture texture;
    Fill(texture, 3, 1, 24, pixels);
    TextureRecord record;
    record.uploadMode = 1;
    ASSERT_TRUE(texture.Upload(record));
    EXPECT_EQ(Texels(3, 1), (Bytes{255, 0, 0, 255, 255, 0, 255, 255, 30, 30, 30, 255}));

    Fill(texture, 3, 1, 24, pixels);
    record.alphaMode = 1;
    record.colourKey[0] = 255;
    record.colourKey[1] = 0;
    record.colourKey[2] = 255;
    ASSERT_TRUE(texture.Upload(record));
    EXPECT_EQ(Texels(3, 1), (Bytes{255, 0, 0, 255, 255, 0, 255, 0, 30, 30, 30, 255}));

    Fill(texture, 3, 1, 24, pixels);
    record.alphaMode = 3;
    ASSERT_TRUE(texture.Upload(record));
    EXPECT_EQ(Texels(3, 1), (Bytes{255, 0, 0, 127, 255, 0, 255, 255, 30, 30, 30, 45}));
}

TEST_F(TextureTest, MipmappedUploadsHaveEverySmallerLevelAndSingleUploadsOnlyTheFirst) {
    TgaTexture texture;
    Fill(texture, 8, 4, 24, Bytes(8 * 4 * 3, 90));
    TextureRecord mipmapped;
    ASSERT_TRUE(texture.Upload(mipmapped));
    const GLint widths[] = {8, 4, 2, 1};
    const GLint heights[] = {4, 2, 1, 1};
    for (int level = 0; level < 4; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(LevelValue(level, GL_TEXTURE_WIDTH), widths[level]);
        EXPECT_EQ(LevelValue(level, GL_TEXTURE_HEIGHT), heights[level]);
        EXPECT_EQ(LevelValue(level, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
    }

    Fill(texture, 8, 4, 32, Bytes(8 * 4 * 4, 90));
    TextureRecord single;
    single.uploadMode = 1;
    ASSERT_TRUE(texture.Upload(single));
    EXPECT_NE(single.glName, mipmapped.glName);
    EXPECT_EQ(LevelValue(0, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(LevelValue(1, GL_TEXTURE_WIDTH), 0);
}

TEST_F(TextureTest, OtherUploadModesLeaveANameWithoutAnImage) {
    for (int mode : {2, -1}) {
        SCOPED_TRACE(mode);
        TgaTexture texture;
        Fill(texture, 2, 2, 24, Bytes(12, 50));
        TextureRecord record;
        record.uploadMode = mode;
        EXPECT_FALSE(texture.Upload(record));
        ASSERT_NE(record.glName, 0u);
        EXPECT_TRUE(glIsTexture(record.glName));
        EXPECT_EQ(LevelValue(0, GL_TEXTURE_WIDTH), 0);
    }
}

TEST_F(TextureTest, PixelsOpenGLWouldReadPastAreNotUploaded) {
    TgaTexture texture;
    TextureRecord record;
    EXPECT_FALSE(texture.Upload(record));  // no pixels at all
    EXPECT_NE(record.glName, 0u);
    EXPECT_FALSE(texture.UploadPixels(0));

    // Two bytes a pixel are not a layout the upload hands to OpenGL; Upload
    // widens them first.
    Fill(texture, 2, 1, 16, {0x00, 0x7C, 0x1F, 0x00});
    EXPECT_FALSE(texture.UploadPixels(1));
    EXPECT_EQ(LevelValue(0, GL_TEXTURE_WIDTH), 0);
    record.uploadMode = 1;
    ASSERT_TRUE(texture.Upload(record));
    EXPECT_EQ(Texels(2, 1), (Bytes{255, 0, 0, 255, 0, 0, 255, 255}));

    // Thirty-two bits go up as they are when handed over directly.
    Fill(texture, 1, 1, 32, {10, 20, 30, 40});
    EXPECT_TRUE(texture.UploadPixels(1));
    EXPECT_EQ(LevelValue(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
    EXPECT_EQ(Texels(1, 1), (Bytes{30, 20, 10, 40}));
}

}  // namespace
