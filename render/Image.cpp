#include "render/Image.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

namespace {

// The colour of one stored pixel.
struct Colour {
    int blue;
    int green;
    int red;
};

Colour ColourAt(const std::uint8_t* pixel, int bytesPerPixel) {
    if (bytesPerPixel == 2) {
        // Five bits per channel, red highest; the top bit is not colour.
        const int value = pixel[0] | (pixel[1] << 8);
        return {(value & 31) * 255 / 31, ((value >> 5) & 31) * 255 / 31,
                ((value >> 10) & 31) * 255 / 31};
    }
    return {pixel[0], pixel[1], pixel[2]};
}

int AlphaFor(int mode, const Colour& c, const std::uint8_t key[3]) {
    const int sum = c.red + c.green + c.blue;
    const int squares = c.red * c.red + c.green * c.green + c.blue * c.blue;
    int alpha = 255;
    switch (mode) {
        case 1:
            alpha = (c.red == key[0] && c.green == key[1] && c.blue == key[2]) ? 0 : 255;
            break;
        case 2:
            alpha = sum;
            break;
        case 3:
            alpha = sum / 2;
            break;
        case 4:
            alpha = sum / 3;
            break;
        case 5:
            alpha = squares;
            break;
        case 6:
            alpha = squares / 2;
            break;
        case 7:
            alpha = squares / 3;
            break;
        case 8:
            alpha = squares / 4;
            break;
        case 9:
            alpha = static_cast<int>(std::sqrt(static_cast<double>(squares)));
            break;
        default:
            break;
    }
    return alpha > 255 ? 255 : alpha;
}

}  // namespace

Image::~Image() {
    delete[] pixels;
}

void Image::Free() {
    delete[] pixels;
    pixels = nullptr;
    width = 0;
    height = 0;
    bitsPerPixel = 0;
}

void Image::TakePixels(std::uint8_t* newPixels, int newWidth, int newHeight, int newBitsPerPixel) {
    delete[] pixels;
    pixels = newPixels;
    width = newWidth;
    height = newHeight;
    bitsPerPixel = newBitsPerPixel;
}

int Image::BytesPerPixel(int bitsPerPixel) {
    if (bitsPerPixel < 16) return 0;
    if (bitsPerPixel == 16) return 2;
    if (bitsPerPixel == 24) return 3;
    return 4;
}

bool Image::AddAlpha(int mode, const std::uint8_t key[3]) {
    const int sourceBytes = BytesPerPixel(bitsPerPixel);
    if (pixels == nullptr || width < 1 || height < 1 || sourceBytes == 0) return false;
    if (mode == 0 && sourceBytes == 3) return true;  // already what the upload takes

    const int targetBytes = mode == 0 ? 3 : 4;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (count > std::numeric_limits<std::size_t>::max() / 4) return false;
    std::uint8_t* target = new (std::nothrow) std::uint8_t[count * targetBytes];
    if (target == nullptr) return false;

    const std::uint8_t* from = pixels;
    std::uint8_t* to = target;
    for (std::size_t i = 0; i < count; ++i, from += sourceBytes, to += targetBytes) {
        const Colour colour = ColourAt(from, sourceBytes);
        to[0] = static_cast<std::uint8_t>(colour.blue);
        to[1] = static_cast<std::uint8_t>(colour.green);
        to[2] = static_cast<std::uint8_t>(colour.red);
        if (targetBytes == 4) to[3] = static_cast<std::uint8_t>(AlphaFor(mode, colour, key));
    }
    TakePixels(target, width, height, targetBytes * 8);
    return true;
}
