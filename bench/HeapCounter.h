// Heap accounting for the memory figures: the bytes of heap the C allocator has handed out and
// not yet taken back (glibc's mallinfo2: small blocks with their chunk headers, plus blocks it
// maps on their own). The benchmarks sample it after each frame and keep the highest value.
#pragma once

#include <cstdint>

namespace heapcounter {

std::int64_t BytesInUse();

// The highest BytesInUse seen by Sample since Start, less what was in use at Start.
class Peak {
public:
    Peak();
    void Sample();
    std::int64_t Bytes() const { return highest - start; }

private:
    std::int64_t start;
    std::int64_t highest;
};

}  // namespace heapcounter
