#include "app/FrameTimer.h"

#include "platform/Win32.h"

bool FrameTimer::Init() {
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return false;

    ticksPerSecond = static_cast<float>(frequency.QuadPart);
    secondsPerTick = static_cast<float>(1.0 / static_cast<double>(frequency.QuadPart));
    stopwatchesInUse = 0;
    for (int64_t& start : stopwatchStart) start = 0;

    // Without this reading the first frame would be measured from an
    // arbitrary value.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    previousCount = now.QuadPart;
    currentCount = now.QuadPart;
    frameSeconds = 0.0f;
    return true;
}

void FrameTimer::Tick() {
    previousCount = currentCount;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    currentCount = now.QuadPart;
    frameSeconds =
        static_cast<float>(static_cast<double>(currentCount - previousCount) * secondsPerTick);
}

int FrameTimer::StartStopwatch() {
    if (stopwatchesInUse >= kStopwatchCount) return kNoStopwatch;
    for (int slot = 0; slot < kStopwatchCount; ++slot) {
        if (stopwatchStart[slot] == 0) {
            stopwatchStart[slot] = currentCount;
            ++stopwatchesInUse;
            return slot;
        }
    }
    return kNoStopwatch;
}

float FrameTimer::StopwatchSeconds(int handle) const {
    if (handle < 0 || handle >= kStopwatchCount) return frameSeconds;
    return static_cast<float>(static_cast<double>(currentCount - stopwatchStart[handle]) *
                              secondsPerTick);
}

void FrameTimer::RestartStopwatch(int handle) {
    if (handle < 0 || handle >= kStopwatchCount) return;
    stopwatchStart[handle] = currentCount;
}

void FrameTimer::StopStopwatch(int handle) {
    if (handle < 0 || handle >= kStopwatchCount || stopwatchStart[handle] == 0) return;
    stopwatchStart[handle] = 0;
    --stopwatchesInUse;
}
