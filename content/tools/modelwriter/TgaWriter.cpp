#include "content/tools/modelwriter/TgaWriter.h"

#include <cstddef>

#include "content/tools/modelwriter/ModelWriter.h"

namespace {

constexpr std::uint8_t kUncompressedTrueColour = 2;
constexpr std::size_t kHeaderBytes = 18;

void PutU16(std::vector<std::uint8_t>& bytes, std::size_t at, int value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

bool TgaWriter::Encode(const TgaPicture& picture, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (picture.width < 1 || picture.height < 1 || picture.width > kMaxSide ||
        picture.height > kMaxSide || (picture.channels != 3 && picture.channels != 4)) {
        return false;
    }
    const std::size_t channels = static_cast<std::size_t>(picture.channels);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * channels;
    const std::size_t height = static_cast<std::size_t>(picture.height);
    if (picture.pixels.size() < rowBytes * height) return false;

    bytes.assign(kHeaderBytes, 0);
    bytes[2] = kUncompressedTrueColour;
    PutU16(bytes, 12, picture.width);
    PutU16(bytes, 14, picture.height);
    bytes[16] = static_cast<std::uint8_t>(8 * channels);
    bytes[17] = channels == 4 ? 8 : 0;  // alpha bits; origin bits 0: lower left
    bytes.reserve(kHeaderBytes + rowBytes * height);
    for (std::size_t row = height; row-- > 0;) {
        const std::uint8_t* pixel = picture.pixels.data() + row * rowBytes;
        for (int x = 0; x < picture.width; ++x, pixel += channels) {
            bytes.push_back(pixel[2]);
            bytes.push_back(pixel[1]);
            bytes.push_back(pixel[0]);
            if (channels == 4) bytes.push_back(pixel[3]);
        }
    }
    return true;
}

bool TgaWriter::Save(const TgaPicture& picture, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!Encode(picture, bytes)) return false;
    return SaveBytesToFile(path, bytes);
}
