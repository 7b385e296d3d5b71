// The frame clock, driven by a hand-set performance counter.
#include <gtest/gtest.h>

#include "app/FrameTimer.h"
#include "platform/Testing.h"

namespace {

constexpr int64_t kFrequency = 1000;  // one tick per millisecond keeps the numbers readable

class FrameTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformtest::Reset();
        platformtest::SetPerformanceFrequency(kFrequency);
        platformtest::SetPerformanceCounter(50000);
        ASSERT_TRUE(timer.Init());
    }
    void TearDown() override { platformtest::Reset(); }

    // One frame of the given length in ticks.
    void Frame(int64_t ticks) {
        platformtest::AdvancePerformanceCounter(ticks);
        timer.Tick();
    }

    FrameTimer timer;
};

TEST_F(FrameTimerTest, InitReadsFrequencyAndStartsTheFirstFrameAtStartUp) {
    EXPECT_FLOAT_EQ(timer.ticksPerSecond, 1000.0f);
    EXPECT_FLOAT_EQ(timer.secondsPerTick, 0.001f);
    EXPECT_EQ(timer.stopwatchesInUse, 0);

    Frame(20);
    EXPECT_NEAR(timer.frameSeconds, 0.020f, 1e-6f);
}

TEST(FrameTimerInit, FailsWithoutAHighResolutionCounterAndChangesNothing) {
    platformtest::Reset();
    platformtest::FailNextCall("QueryPerformanceFrequency");
    FrameTimer timer;
    timer.ticksPerSecond = 7.0f;
    timer.stopwatchesInUse = 3;
    EXPECT_FALSE(timer.Init());
    EXPECT_FLOAT_EQ(timer.ticksPerSecond, 7.0f);
    EXPECT_EQ(timer.stopwatchesInUse, 3);
    platformtest::Reset();
}

TEST_F(FrameTimerTest, OneSecondOfTicksIsOneSecondAtARealFrequency) {
    platformtest::SetPerformanceFrequency(3579545);
    ASSERT_TRUE(timer.Init());
    Frame(3579545);
    EXPECT_NEAR(timer.frameSeconds, 1.0f, 1e-6f);
}

TEST_F(FrameTimerTest, APauseInTickingIsReportedAsOneFrameAndMovesEveryStopwatch) {
    Frame(16);
    int first = timer.StartStopwatch();
    int second = timer.StartStopwatch();
    Frame(16);
    timer.RestartStopwatch(second);

    platformtest::AdvancePerformanceCounter(5000);  // the window was inactive
    Frame(16);
    EXPECT_NEAR(timer.frameSeconds, 5.016f, 1e-5f);
    EXPECT_NEAR(timer.StopwatchSeconds(first), 5.032f, 1e-5f);
    EXPECT_NEAR(timer.StopwatchSeconds(second), 5.016f, 1e-5f);
}

TEST_F(FrameTimerTest, AStopwatchReadsZeroInItsOwnFrameAndTheFrameLengthInTheNext) {
    Frame(10);
    int handle = timer.StartStopwatch();
    ASSERT_EQ(handle, 0);
    EXPECT_EQ(timer.StopwatchSeconds(handle), 0.0f);
    Frame(25);
    EXPECT_FLOAT_EQ(timer.StopwatchSeconds(handle), timer.frameSeconds);
    timer.RestartStopwatch(handle);
    EXPECT_EQ(timer.StopwatchSeconds(handle), 0.0f);
}

TEST_F(FrameTimerTest, SlotsAreHandedOutInOrderAndReusedAfterStopping) {
    Frame(1);
    EXPECT_EQ(timer.StartStopwatch(), 0);
    EXPECT_EQ(timer.StartStopwatch(), 1);
    EXPECT_EQ(timer.StartStopwatch(), 2);
    timer.StopStopwatch(1);
    EXPECT_EQ(timer.stopwatchesInUse, 2);
    EXPECT_EQ(timer.StartStopwatch(), 1);
    EXPECT_EQ(timer.stopwatchesInUse, 3);
}

TEST_F(FrameTimerTest, TheHundredAndFirstStopwatchIsRefusedAndMinusOneMeasuresOneFrame) {
    Frame(1);
    for (int i = 0; i < FrameTimer::kStopwatchCount; ++i) ASSERT_EQ(timer.StartStopwatch(), i);
    EXPECT_EQ(timer.StartStopwatch(), FrameTimer::kNoStopwatch);
    EXPECT_EQ(timer.stopwatchesInUse, 100);

    Frame(40);
    EXPECT_FLOAT_EQ(timer.StopwatchSeconds(FrameTimer::kNoStopwatch), timer.frameSeconds);
    int64_t starts[FrameTimer::kStopwatchCount];
    std::copy(std::begin(timer.stopwatchStart), std::end(timer.stopwatchStart), starts);
    timer.RestartStopwatch(FrameTimer::kNoStopwatch);
    timer.StopStopwatch(FrameTimer::kNoStopwatch);
    EXPECT_TRUE(std::equal(std::begin(starts), std::end(starts), std::begin(timer.stopwatchStart)));
    EXPECT_EQ(timer.stopwatchesInUse, 100);
}

TEST_F(FrameTimerTest, StoppingAFreeSlotOrAForeignHandleChangesNothing) {
    Frame(1);
    int handle = timer.StartStopwatch();
    timer.StopStopwatch(handle);
    timer.StopStopwatch(handle);
    timer.StopStopwatch(100);
    timer.StopStopwatch(-7);
    EXPECT_EQ(timer.stopwatchesInUse, 0);
}

TEST_F(FrameTimerTest, HandlesOutsideTheTableAreNeverUsedAsIndices) {
    Frame(30);
    timer.RestartStopwatch(100);
    timer.RestartStopwatch(-2);
    EXPECT_FLOAT_EQ(timer.StopwatchSeconds(100), timer.frameSeconds);
    EXPECT_FLOAT_EQ(timer.StopwatchSeconds(-2), timer.frameSeconds);
}

}  // namespace
