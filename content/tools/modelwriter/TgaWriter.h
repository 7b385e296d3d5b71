// Writes pictures as TGA files the program loads: uncompressed true colour
// (type 2), 24 bits, or 32 when the picture has alpha. The program hands a
// file's rows to OpenGL in the order they are stored, and OpenGL takes the
// first row as the bottom of the texture (texture coordinate v = 0), so the
// rows are stored bottom first; the header says so too (origin at the lower
// left), for any other reader of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pixels as image decoders give them: rows from the top, each pixel red,
// green, blue and, with four channels, alpha.
struct TgaPicture {
    int width = 0;
    int height = 0;
    int channels = 3;  // 3 or 4
    std::vector<std::uint8_t> pixels;
};

class TgaWriter {
public:
    // The program reads a TGA file's width and height as signed 16-bit values.
    static constexpr int kMaxSide = 32767;

    // The whole file. False, with nothing in bytes, when the picture is empty,
    // larger than kMaxSide on a side, has another channel count than 3 or 4
    // or fewer pixel bytes than its size says.
    static bool Encode(const TgaPicture& picture, std::vector<std::uint8_t>& bytes);
    // Encodes the picture into the file, replacing it.
    static bool Save(const TgaPicture& picture, const std::string& path);
};
