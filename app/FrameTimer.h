// The frame clock: the length of each frame from the high-resolution counter,
// and up to 100 stopwatches read against the counter value of the latest tick,
// so every measurement within one frame sees the same instant.
#pragma once

#include <cstdint>

class FrameTimer {
public:
    static constexpr int kStopwatchCount = 100;
    static constexpr int kNoStopwatch = -1;

    // Reads the counter frequency; false when the machine has no
    // high-resolution counter (nothing is changed then). Also takes one
    // counter reading, so the first frame is measured from start-up.
    bool Init();

    // Advances the clock: once per frame, first thing in the frame.
    void Tick();

    // A free stopwatch started at the latest tick, or kNoStopwatch when all
    // are taken.
    int StartStopwatch();
    // Seconds from the stopwatch's start to the latest tick; for kNoStopwatch
    // the length of the last frame.
    float StopwatchSeconds(int handle) const;
    // Starts the stopwatch again at the latest tick.
    void RestartStopwatch(int handle);
    // Frees the stopwatch's slot; handles that hold no running stopwatch are ignored.
    void StopStopwatch(int handle);

    float ticksPerSecond = 0.0f;
    float secondsPerTick = 0.0f;
    int64_t previousCount = 0;
    int64_t currentCount = 0;
    int64_t stopwatchStart[kStopwatchCount] = {};
    int stopwatchesInUse = 0;
    float frameSeconds = 0.0f;  // length of the last frame
};
