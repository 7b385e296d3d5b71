#include "bench/HeapCounter.h"

#include <algorithm>
#include <malloc.h>

namespace heapcounter {

std::int64_t BytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<std::int64_t>(info.uordblks) + static_cast<std::int64_t>(info.hblkhd);
}

Peak::Peak() : start(BytesInUse()), highest(start) {}

void Peak::Sample() {
    highest = std::max(highest, BytesInUse());
}

}  // namespace heapcounter
