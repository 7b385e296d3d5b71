// A texture read from a TGA file: the decoder and the upload over one shared
// image. The renderer makes one per texture file, uploads it and drops it.
#pragma once

#include "render/Texture.h"
#include "render/TgaImage.h"

class TgaTexture : public Texture, public TgaImage {};
