// Test support: TGA files put together byte by byte, so that tests can say
// exactly what a file holds, well-formed or not.
//
//     std::vector<uint8_t> file = TgaFile(2, 2, 1, 24, {b, g, r, b, g, r});
//     std::vector<uint8_t> packed = TgaFile(10, 2, 1, 24, RunLengthEncode(pixels, 3));
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/TgaImage.h"

// Pixels with runs of assorted lengths between changes of colour, the way real pictures
// compress: about one pixel in four starts a new colour. The same for a seed everywhere.
inline std::vector<std::uint8_t> PatternPixels(int width, int height, int bytesPerPixel,
                                               std::uint32_t seed) {
    std::vector<std::uint8_t> pixels;
    std::uint32_t state = seed;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(state >> 24);
    };
    for (int i = 0; i < width * height; ++i) {
        const bool repeat = i > 0 && next() % 4 != 0;
        for (int b = 0; b < bytesPerPixel; ++b) {
            pixels.push_back(repeat ? pixels[pixels.size() - bytesPerPixel] : next());
        }
    }
    return pixels;
}

// The header as stored: 18 bytes, little-endian.
inline std::vector<std::uint8_t> TgaHeaderBytes(const TgaHeader& header) {
    std::vector<std::uint8_t> bytes;
    auto u8 = [&bytes](std::uint8_t value) { bytes.push_back(value); };
    auto u16 = [&bytes](std::uint16_t value) {
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    u8(header.idLength);
    u8(header.colourMapType);
    u8(header.imageType);
    u16(header.colourMapFirstEntry);
    u16(header.colourMapLength);
    u8(header.colourMapEntrySize);
    u16(header.xOrigin);
    u16(header.yOrigin);
    u16(static_cast<std::uint16_t>(header.width));
    u16(static_cast<std::uint16_t>(header.height));
    u8(header.pixelDepth);
    u8(header.imageDescriptor);
    return bytes;
}

inline TgaHeader MakeTgaHeader(int imageType, int width, int height, int depth,
                               int descriptor = 0) {
    TgaHeader header;
    header.imageType = static_cast<std::uint8_t>(imageType);
    header.width = static_cast<std::int16_t>(width);
    header.height = static_cast<std::int16_t>(height);
    header.pixelDepth = static_cast<std::uint8_t>(depth);
    header.imageDescriptor = static_cast<std::uint8_t>(descriptor);
    return header;
}

// Header followed by the body bytes as given (pixels, or packets).
inline std::vector<std::uint8_t> TgaFile(const TgaHeader& header,
                                         const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> bytes = TgaHeaderBytes(header);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

inline std::vector<std::uint8_t> TgaFile(int imageType, int width, int height, int depth,
                                         const std::vector<std::uint8_t>& body,
                                         int descriptor = 0) {
    return TgaFile(MakeTgaHeader(imageType, width, height, depth, descriptor), body);
}

// Packs pixels into run-length packets as an encoder would: repeats of a pixel
// become run packets, everything else raw packets, at most 128 pixels each.
// Packets run on across rows.
inline std::vector<std::uint8_t> RunLengthEncode(const std::vector<std::uint8_t>& pixels,
                                                 int bytesPerPixel) {
    const std::size_t size = static_cast<std::size_t>(bytesPerPixel);
    const std::size_t count = pixels.size() / size;
    auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(&pixels[a * size], &pixels[b * size], size) == 0;
    };
    auto pixelAt = [&](std::size_t index) {
        return pixels.begin() + static_cast<std::ptrdiff_t>(index * size);
    };
    std::vector<std::uint8_t> packets;
    std::size_t at = 0;
    while (at < count) {
        std::size_t run = 1;
        while (at + run < count && run < 128 && same(at, at + run)) ++run;
        if (run > 1) {
            packets.push_back(static_cast<std::uint8_t>(127 + run));
            packets.insert(packets.end(), pixelAt(at), pixelAt(at + 1));
            at += run;
            continue;
        }
        // A raw packet ends where the next run begins.
        std::size_t raw = 1;
        while (at + raw < count && raw < 128 &&
               !(at + raw + 1 < count && same(at + raw, at + raw + 1))) {
            ++raw;
        }
        packets.push_back(static_cast<std::uint8_t>(raw - 1));
        packets.insert(packets.end(), pixelAt(at), pixelAt(at + raw));
        at += raw;
    }
    return packets;
}
