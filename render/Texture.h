// An image that becomes an OpenGL texture: a new texture name with repeat
// wrapping and linear filtering, an alpha channel derived as the record asks,
// then the pixels, mipmapped or as a single level.
#pragma once

#include "render/Image.h"

class Texture : public virtual Image {
public:
    static constexpr int kMipmapped = 0;
    static constexpr int kSingleLevel = 1;

    // Generates and binds a new texture name into record.glName, sets its
    // parameters, derives the alpha channel (record.alphaMode, colourKey) and
    // uploads the pixels (record.uploadMode). The name stays in the record even
    // when the upload fails.
    bool Upload(TextureRecord& record) override;
    // Hands the pixels to the bound texture: mode 0 with every mipmap level,
    // mode 1 as level 0 only. Takes 24-bit pixels as blue-green-red and 32-bit
    // ones as blue-green-red-alpha. False for any other mode, and for an image
    // without pixels or with 16-bit ones, which OpenGL would read past.
    virtual bool UploadPixels(int mode);
};
