#include "render/BinaryReader.h"

#include <algorithm>
#include <cstring>

BinaryReader::BinaryReader() {
    std::memset(window, 0, sizeof(window));
}

BinaryReader::~BinaryReader() {
    Close();
}

bool BinaryReader::Open(const char* fileName, bool forReading) {
    Close();
    this->forReading = forReading;
    position = 0;
    validBytes = 0;
    windowStart = 0;
    fileSize = 0;
    failed = false;
    std::memset(window, 0, sizeof(window));
    if (fileName == nullptr) return false;

    const std::ios::openmode mode = forReading ? std::ios::in | std::ios::binary
                                               : std::ios::out | std::ios::binary | std::ios::trunc;
    file.open(fileName, mode);
    if (!file.is_open()) return false;
    if (!forReading) return true;

    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    fileSize = end > 0 ? static_cast<std::int64_t>(end) : 0;
    file.seekg(0, std::ios::beg);

    file.read(reinterpret_cast<char*>(window), kWindowSize);
    validBytes = static_cast<int>(file.gcount());
    file.clear();
    return true;
}

void BinaryReader::Refill(int byteCount) {
    if (position + byteCount < kWindowSize) return;

    // The unread tail moves to the front and the file fills the rest. Once the
    // tail holds the zeros after the end of the data, there is nothing left to read.
    const int tail = kWindowSize - position;
    const int tailValid = std::max(0, validBytes - position);
    std::memmove(window, window + position, static_cast<std::size_t>(tail));
    int newValid = tailValid;
    if (tailValid == tail && forReading && file.is_open() && position > 0) {
        file.read(reinterpret_cast<char*>(window + tail), position);
        newValid = tail + static_cast<int>(file.gcount());
        file.clear();
    }
    std::memset(window + newValid, 0, static_cast<std::size_t>(kWindowSize - newValid));
    validBytes = newValid;
    windowStart += position;
    position = 0;
}

void BinaryReader::Take(std::uint8_t* out, int byteCount) {
    Refill(byteCount);
    std::memcpy(out, window + position, static_cast<std::size_t>(byteCount));
    position += byteCount;
    if (position > validBytes) failed = true;
}

void BinaryReader::ReadU8(std::uint8_t& value) {
    Take(&value, 1);
}

void BinaryReader::ReadU16(std::uint16_t& value) {
    std::uint8_t bytes[2];
    Take(bytes, 2);
    value = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

void BinaryReader::ReadU32(std::uint32_t& value) {
    std::uint8_t bytes[4];
    Take(bytes, 4);
    value = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
            (static_cast<std::uint32_t>(bytes[2]) << 16) |
            (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void BinaryReader::ReadBytes(std::uint8_t* out, std::int64_t count) {
    if (count <= 0) return;
    if (count < kWindowSize) {
        Take(out, static_cast<int>(count));
        return;
    }
    if (!forReading || !file.is_open()) {
        // Nothing to read from: the window as the single-value reads see it.
        for (std::int64_t done = 0; done < count; done += kWindowSize / 2) {
            const std::int64_t part = std::min<std::int64_t>(kWindowSize / 2, count - done);
            Take(out + done, static_cast<int>(part));
        }
        return;
    }

    // What the window still holds, then the file from where the window ends
    // (the file's read position is always the end of the window's data).
    const std::int64_t inWindow = std::max(0, validBytes - position);
    std::memcpy(out, window + position, static_cast<std::size_t>(inWindow));
    file.read(reinterpret_cast<char*>(out + inWindow), count - inWindow);
    const std::int64_t got = inWindow + file.gcount();
    file.clear();
    if (got < count) {
        std::memset(out + got, 0, static_cast<std::size_t>(count - got));
        failed = true;
    }

    windowStart += position + count;
    position = 0;
    file.read(reinterpret_cast<char*>(window), kWindowSize);
    validBytes = static_cast<int>(file.gcount());
    file.clear();
    std::memset(window + validBytes, 0, static_cast<std::size_t>(kWindowSize - validBytes));
}

void BinaryReader::ReadString(char* buffer, int maxBytes) {
    if (buffer == nullptr || maxBytes < 1) {
        failed = true;
        return;
    }
    // The window can look ahead at most its own size.
    const int limit = std::min(maxBytes, kWindowSize);
    Refill(limit);
    const std::uint8_t* start = window + position;
    const void* terminator = std::memchr(start, 0, static_cast<std::size_t>(limit));
    if (terminator == nullptr) {
        std::memcpy(buffer, start, static_cast<std::size_t>(limit - 1));
        buffer[limit - 1] = '\0';
        position += limit;
        failed = true;
        return;
    }
    const int length = static_cast<int>(static_cast<const std::uint8_t*>(terminator) - start);
    std::memcpy(buffer, start, static_cast<std::size_t>(length + 1));
    position += length + 1;
    if (position > validBytes) failed = true;
}

void BinaryReader::Close() {
    if (!file.is_open()) return;
    if (!forReading && position > 0) {
        file.write(reinterpret_cast<const char*>(window), position);
        position = 0;
    }
    file.close();
}

std::int64_t BinaryReader::RemainingBytes() const {
    if (!forReading) return 0;
    return std::max<std::int64_t>(0, fileSize - (windowStart + position));
}
