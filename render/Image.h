// A picture in memory: its pixel bytes and its size. Derived classes know how
// to read one from a file (Load) and how to hand one to OpenGL (Upload).
//
// Pixels are kept as the file holds them: rows in file order, each pixel's
// bytes in file order (blue, green, red, then alpha if any). The buffer holds
// width * height * BytesPerPixel(bitsPerPixel) bytes.
#pragma once

#include <cstdint>

struct TextureRecord;

class Image {
public:
    Image() = default;
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Decodes the file named by the record into this image.
    virtual bool Load(const TextureRecord& record) = 0;
    // Releases the pixels and empties the image.
    virtual void Free();
    // Creates the OpenGL texture the record describes and fills it.
    virtual bool Upload(TextureRecord& record) = 0;

    // Brings the pixels into the form the upload takes: mode 0 leaves 3-byte
    // blue-green-red pixels (24 bits), any other mode adds an alpha byte
    // derived from each pixel's colour (32 bits); key is the red, green, blue
    // keyed out by mode 1. 16-bit and 32-bit pixels are first reduced to their
    // colour, so a file's own alpha is not kept. False when there are no pixels
    // or no memory for the new ones; the image is unchanged then.
    bool AddAlpha(int mode, const std::uint8_t key[3]);

    // Bytes one stored pixel takes at this depth: 2 for 16, 3 for 24, 4 for
    // any deeper; 0 for depths below 16, which are never stored.
    static int BytesPerPixel(int bitsPerPixel);

    std::uint8_t* pixels = nullptr;  // owned; null when empty
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;

protected:
    // Replaces the pixels with a buffer of the given size.
    void TakePixels(std::uint8_t* newPixels, int newWidth, int newHeight, int newBitsPerPixel);
};
