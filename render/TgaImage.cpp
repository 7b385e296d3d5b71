#include "render/TgaImage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "render/BinaryReader.h"
#include "render/Model.h"

namespace {

// A run-length packet covers at most this many pixels.
constexpr std::int64_t kMostPixelsPerPacket = 128;

// Uncompressed: the pixels one after another, in one block.
bool ReadUncompressed(BinaryReader& reader, std::uint8_t* pixels, std::int64_t count,
                      int bytesPerPixel) {
    reader.ReadBytes(pixels, count * bytesPerPixel);
    return !reader.Failed();
}

// Run-length: packets until every pixel is filled. A packet reaching past
// the last pixel is cut there.
bool ReadRunLength(BinaryReader& reader, std::uint8_t* pixels, std::int64_t count,
                   int bytesPerPixel) {
    std::int64_t filled = 0;
    while (filled < count) {
        std::uint8_t packet = 0;
        reader.ReadU8(packet);
        std::int64_t length = packet >= 128 ? packet - 127 : packet + 1;
        if (length > count - filled) length = count - filled;
        std::uint8_t* next = pixels + filled * bytesPerPixel;
        if (packet >= 128) {
            // One pixel, then the run doubles what it has copied so far.
            reader.ReadBytes(next, bytesPerPixel);
            for (std::int64_t done = 1; done < length;) {
                const std::int64_t more = std::min(done, length - done);
                std::memcpy(next + done * bytesPerPixel, next,
                            static_cast<std::size_t>(more * bytesPerPixel));
                done += more;
            }
        } else {
            reader.ReadBytes(next, length * bytesPerPixel);
        }
        filled += length;
        // A stream that ends early would otherwise go on as zeros.
        if (reader.Failed()) return false;
    }
    return true;
}

}  // namespace

void TgaImage::ReadHeader(BinaryReader& reader) {
    std::uint16_t value = 0;
    reader.ReadU8(header.idLength);
    reader.ReadU8(header.colourMapType);
    reader.ReadU8(header.imageType);
    reader.ReadU16(header.colourMapFirstEntry);
    reader.ReadU16(header.colourMapLength);
    reader.ReadU8(header.colourMapEntrySize);
    reader.ReadU16(header.xOrigin);
    reader.ReadU16(header.yOrigin);
    reader.ReadU16(value);
    header.width = static_cast<std::int16_t>(value);
    reader.ReadU16(value);
    header.height = static_cast<std::int16_t>(value);
    reader.ReadU8(header.pixelDepth);
    reader.ReadU8(header.imageDescriptor);
}

bool TgaImage::HeaderIsAccepted() const {
    return header.colourMapType == 0 &&
           (header.imageType == kUncompressed || header.imageType == kRunLength) &&
           header.xOrigin == 0 && header.yOrigin == 0 && header.width >= 1 && header.height >= 1 &&
           header.pixelDepth >= 16;
}

bool TgaImage::Load(const TextureRecord& record) {
    Free();
    header = TgaHeader();
    BinaryReader reader;
    if (!reader.Open(record.fileName, true)) return false;

    ReadHeader(reader);
    for (int i = 0; i < header.idLength; ++i) {
        std::uint8_t skipped = 0;
        reader.ReadU8(skipped);
    }
    if (reader.Failed() || !HeaderIsAccepted()) return false;

    // The file must be able to hold every pixel before anything is allocated:
    // uncompressed, all their bytes; run-length, at least one packet of a
    // header byte and one pixel per 128 pixels.
    const int bytesPerPixel = BytesPerPixel(header.pixelDepth);
    const std::int64_t count = static_cast<std::int64_t>(header.width) * header.height;
    const std::int64_t size = count * bytesPerPixel;
    const std::int64_t leastFileBytes =
        header.imageType == kUncompressed
            ? size
            : (count + kMostPixelsPerPacket - 1) / kMostPixelsPerPacket * (1 + bytesPerPixel);
    if (leastFileBytes > reader.RemainingBytes()) return false;

    std::uint8_t* decoded = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)];
    if (decoded == nullptr) return false;
    const bool complete = header.imageType == kUncompressed
                              ? ReadUncompressed(reader, decoded, count, bytesPerPixel)
                              : ReadRunLength(reader, decoded, count, bytesPerPixel);
    reader.Close();
    if (!complete) {
        delete[] decoded;
        return false;
    }
    TakePixels(decoded, header.width, header.height, header.pixelDepth);
    return true;
}
