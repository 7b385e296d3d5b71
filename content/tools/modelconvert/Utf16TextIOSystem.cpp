#include "content/tools/modelconvert/Utf16TextIOSystem.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <assimp/IOStream.hpp>
#include <assimp/MemoryIOWrapper.h>

namespace {

// Text files larger than this are left as they are.
constexpr std::size_t kMostTextBytes = std::size_t(1) << 28;

void AppendUtf8(std::string& text, std::uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The UTF-8 form of the UTF-16 bytes after the byte order mark. False for
// anything that is not text: an unpaired surrogate or a NUL character, which
// binary files that happen to start like a mark are all but sure to hold.
bool Utf16ToUtf8(const std::vector<std::uint8_t>& bytes, bool bigEndian, std::string& text) {
    auto unit = [&](std::size_t at) -> std::uint32_t {
        return bigEndian ? (bytes[at] << 8 | bytes[at + 1]) : (bytes[at + 1] << 8 | bytes[at]);
    };
    text.reserve(bytes.size());
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
        std::uint32_t code = unit(at);
        if (code == 0 || (code >= 0xDC00 && code < 0xE000)) return false;
        if (code >= 0xD800 && code < 0xDC00) {
            if (at + 3 >= bytes.size()) return false;
            const std::uint32_t low = unit(at + 2);
            if (low < 0xDC00 || low >= 0xE000) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            at += 2;
        }
        AppendUtf8(text, code);
    }
    return true;
}

}  // namespace

Assimp::IOStream* Utf16TextIOSystem::Open(const char* file, const char* mode) {
    Assimp::IOStream* stream = DefaultIOSystem::Open(file, mode);
    if (stream == nullptr || mode == nullptr || std::strchr(mode, 'r') == nullptr) return stream;
    const std::size_t size = stream->FileSize();
    std::uint8_t mark[2] = {0, 0};
    if (size < 2 || size % 2 != 0 || size > kMostTextBytes || stream->Read(mark, 1, 2) != 2 ||
        !((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF))) {
        stream->Seek(0, aiOrigin_SET);
        return stream;
    }

    std::vector<std::uint8_t> bytes(size);
    stream->Seek(0, aiOrigin_SET);
    std::string text;
    if (stream->Read(bytes.data(), 1, size) != size || !Utf16ToUtf8(bytes, mark[0] == 0xFE, text)) {
        stream->Seek(0, aiOrigin_SET);
        return stream;
    }
    DefaultIOSystem::Close(stream);
    std::uint8_t* buffer = new (std::nothrow) std::uint8_t[text.size() + 1];
    if (buffer == nullptr) return nullptr;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = 0;
    // The stream owns the buffer and frees it when the importer closes it.
    Assimp::IOStream* recoded =
        new (std::nothrow) Assimp::MemoryIOStream(buffer, text.size(), true);
    if (recoded == nullptr) delete[] buffer;
    return recoded;
}
