#include "bench/HeapCounter.h"

#include <malloc.h>

#include <algorithm>

namespace heapcounter {

std::int64_t BytesInUse() {
    struct mallinfo2 const info = mallinfo2();
    return static_cast<std::int64_t>(info.uordblks) + static_cast<std::int64_t>(info.hblkhd);
}

Peak::Peak() : start(BytesInUse()), highest(start) {}

void Peak::Sample() {
    highest = std::max(highest, BytesInUse());
}

}  // namespace heapcounter
