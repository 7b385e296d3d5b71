// Buffered little-endian reader for the program's binary files (models,
// images). Values come out of a 1024-byte window that is refilled from the
// file as the read position advances.
//
// Files are not trusted: past the end of the file's data every read yields
// zero bytes and the reader remembers that it ran out (Failed), and so it does
// for a string without its terminator. Callers read on and check Failed at
// the points where a wrong value would matter.
#pragma once

#include <cstdint>
#include <fstream>

class BinaryReader {
public:
    static constexpr int kWindowSize = 1024;

    BinaryReader();
    ~BinaryReader();
    BinaryReader(const BinaryReader&) = delete;
    BinaryReader& operator=(const BinaryReader&) = delete;

    // Opens the file in binary mode, for input when forReading is true and for
    // output otherwise. Opened for reading, the window holds the first 1024
    // bytes of the file (fewer if it is shorter). False when it cannot be opened.
    bool Open(const char* fileName, bool forReading);
    void ReadU8(std::uint8_t& value);
    void ReadU16(std::uint16_t& value);
    // Also the way to read signed 32-bit integers and single floats.
    void ReadU32(std::uint32_t& value);
    // Copies the next count bytes into out, as count ReadU8 calls would (zeros
    // past the end of the data, which fails the reader). Large blocks go from
    // the file straight into out; the window then starts afresh after them.
    void ReadBytes(std::uint8_t* out, std::int64_t count);
    // Copies the NUL-terminated string at the read position, terminator
    // included, into buffer (maxBytes long) and moves past it. Without a NUL in
    // its first maxBytes bytes the string is cut to maxBytes - 1 characters,
    // maxBytes bytes are skipped and the reader fails.
    void ReadString(char* buffer, int maxBytes);
    // Closes the file; a writer first writes what is pending in its window.
    void Close();

    // True once a read ran past the end of the file's data or met a string
    // without its terminator. Cleared by Open.
    bool Failed() const { return failed; }
    // Bytes of the file after the read position; 0 past the end.
    std::int64_t RemainingBytes() const;
    // Read position inside the window, 0..1024. After a large ReadBytes it
    // counts from where that block ended.
    int GetPosition() const { return position; }

private:
    // Makes sure the window holds byteCount bytes from the read position on.
    void Refill(int byteCount);
    // Refills for byteCount bytes, copies them out and advances past them.
    void Take(std::uint8_t* out, int byteCount);

    std::fstream file;
    std::uint8_t window[kWindowSize];
    int position = 0;
    bool forReading = false;
    int validBytes = 0;            // file data in the window; zeros follow it
    std::int64_t windowStart = 0;  // file offset of window[0]
    std::int64_t fileSize = 0;
    bool failed = false;
};
