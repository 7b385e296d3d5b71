// The 32-bit hash by which entities are known everywhere: level lines, entity descriptions and
// look-ups all compare names by this value only.
#pragma once

#include <cstdint>

// Folds each byte, taken as a signed char, into the hash: h = (h & 0xFFF00000) ^ (h << 6) ^ c.
// A null name hashes like the empty one, to 0.
int32_t NameHash(const char* name);
