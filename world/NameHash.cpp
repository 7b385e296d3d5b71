#include "world/NameHash.h"

int32_t NameHash(const char* name) {
    // Unsigned arithmetic: the shift is meant to push bits out of the top.
    uint32_t hash = 0;
    if (name == nullptr) return 0;
    for (const char* p = name; *p != '\0'; ++p) {
        // Bytes above 0x7F count as negative, so they set every high bit.
        const int32_t c = static_cast<signed char>(*p);
        hash = (hash & 0xFFF00000u) ^ (hash << 6) ^ static_cast<uint32_t>(c);
    }
    return static_cast<int32_t>(hash);
}
