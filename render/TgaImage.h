// An image read from a true-colour TGA file, uncompressed (type 2) or
// run-length encoded (type 10). Pixels stay as the file stores them: rows in
// file order (the origin bits of the descriptor are not applied) and
// blue, green, red[, alpha] bytes.
#pragma once

#include <cstdint>

#include "render/Image.h"

// The 18-byte header at the start of a TGA file, field by field as stored.
struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colourMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t colourMapFirstEntry = 0;
    std::uint16_t colourMapLength = 0;
    std::uint8_t colourMapEntrySize = 0;
    std::uint16_t xOrigin = 0;
    std::uint16_t yOrigin = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint8_t pixelDepth = 0;
    std::uint8_t imageDescriptor = 0;
};

class BinaryReader;

class TgaImage : public virtual Image {
public:
    static constexpr int kUncompressed = 2;
    static constexpr int kRunLength = 10;

    // Decodes the file named by the record, replacing what the image held.
    // False, with the image empty, when the file cannot be opened, is not an
    // uncompressed or run-length true-colour image without colour map and with
    // origin (0, 0), or holds fewer pixels than its header announces.
    bool Load(const TextureRecord& record) override;

    TgaHeader header;  // as read by the last Load

private:
    void ReadHeader(BinaryReader& reader);
    bool HeaderIsAccepted() const;
};
