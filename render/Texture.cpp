#include "render/Texture.h"

#include <type_traits>

#include "platform/OpenGL.h"
#include "render/Model.h"

static_assert(std::is_same<GLuint, decltype(TextureRecord::glName)>::value,
              "a record keeps its texture name as OpenGL hands it out");

bool Texture::Upload(TextureRecord& record) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glGenTextures(1, &record.glName);
    glBindTexture(GL_TEXTURE_2D, record.glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    if (!AddAlpha(record.alphaMode, record.colourKey)) return false;
    return UploadPixels(record.uploadMode);
}

bool Texture::UploadPixels(int mode) {
    const int bytesPerPixel = BytesPerPixel(bitsPerPixel);
    if (pixels == nullptr || width < 1 || height < 1) return false;
    if (bytesPerPixel != 3 && bytesPerPixel != 4) return false;
    const GLint internalFormat = bytesPerPixel == 3 ? GL_RGB8 : GL_RGBA8;
    const GLenum pixelFormat = bytesPerPixel == 3 ? GL_BGR_EXT : GL_BGRA_EXT;

    if (mode == kMipmapped) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, width, height, pixelFormat,
                          GL_UNSIGNED_BYTE, pixels);
        return true;
    }
    if (mode == kSingleLevel) {
        glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, pixelFormat,
                     GL_UNSIGNED_BYTE, pixels);
        return true;
    }
    return false;
}
