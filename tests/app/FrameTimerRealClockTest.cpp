// The frame clock on the system's own performance counter, as the program runs
// it (FrameTimerTest drives a hand-set counter on Linux).
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "app/FrameTimer.h"
#include "platform/Win32.h"

namespace {

using namespace std::chrono_literals;

TEST(FrameTimerRealClock, TakesTheSystemsFrequencyAndMeasuresRealTime) {
    LARGE_INTEGER frequency;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    FrameTimer timer;
    ASSERT_TRUE(timer.Init());
    EXPECT_EQ(timer.ticksPerSecond, static_cast<float>(frequency.QuadPart));
    EXPECT_EQ(timer.secondsPerTick,
              static_cast<float>(1.0 / static_cast<double>(frequency.QuadPart)));

    timer.Tick();
    int stopwatch = timer.StartStopwatch();
    ASSERT_NE(stopwatch, FrameTimer::kNoStopwatch);
    std::this_thread::sleep_for(50ms);
    timer.Tick();
    EXPECT_GE(timer.frameSeconds, 0.049f);
    EXPECT_LT(timer.frameSeconds, 5.0f);
    EXPECT_EQ(timer.StopwatchSeconds(stopwatch), timer.frameSeconds);
}

}  // namespace
