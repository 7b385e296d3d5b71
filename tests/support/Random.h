// Test support: numbers that come out the same for a seed on every machine. The twister's raw
// output is fixed by the standard; its distributions are not, so the numbers are shaped here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

#include "math/Vec3.h"

class Random {
public:
    explicit Random(uint32_t seed) : engine(seed) {}
    // Evenly between low and high, in steps of a 2^24th of the range.
    float Between(float low, float high) {
        return low + (high - low) * static_cast<float>(engine() >> 8) * (1.0f / 16777216.0f);
    }
    bool Chance(float probability) { return Between(0.0f, 1.0f) < probability; }
    size_t Below(size_t count) { return static_cast<size_t>(engine() % count); }
    Vec3 InCube(float half) {
        return Vec3(Between(-half, half), Between(-half, half), Between(-half, half));
    }

private:
    std::mt19937 engine;
};
