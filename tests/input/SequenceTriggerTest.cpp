// The timed key sequence, steps timed against the frame clock driven by hand,
// and the progress line it writes to the App's console every frame.
#include <string>
#include <vector>

#include "input/Binding.h"
#include "input/QuitCommand.h"
#include "input/SequenceTrigger.h"
#include "InputFixture.h"

namespace {

constexpr float kStepLimit = 0.33f;

int* Keys(std::initializer_list<int> codes) {
    int* keys = new int[codes.size()];
    std::copy(codes.begin(), codes.end(), keys);
    return keys;
}

// One frame of a script: a key goes down, another goes up, then the frame
// starts the given number of milliseconds after the last.
struct Step {
    int milliseconds;
    int down = 0;
    int up = 0;
};

// Left, Right, Left with the default limit, as the program binds it.
class SequenceTriggerTest : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        combo.Attach(&manager, &timer);
    }
    // The combo's progress after each frame, or '!' where it fired.
    std::string Run(const std::vector<Step>& steps) {
        std::string seen;
        for (const Step& step : steps) {
            if (step.down) platformtest::PressKey(step.down);
            if (step.up) platformtest::ReleaseKey(step.up);
            Frame(step.milliseconds);
            seen += combo.Check() ? '!' : static_cast<char>('0' + combo.progress);
        }
        return seen;
    }

    static constexpr int L = DIK_LEFT;
    static constexpr int R = DIK_RIGHT;
    SequenceTrigger combo{Keys({L, R, L}), 3, nullptr, kStepLimit};
};

TEST_F(SequenceTriggerTest, StepsWithinTheLimitFireOnceInTheFrameOfTheLastKey) {
    // 0.2 s per step, 0.4 s in all; Left stays down afterwards.
    EXPECT_EQ(Run({{10, L}, {100, 0, L}, {100, R}, {100, 0, R}, {100, L}, {10}}), "1122!0");
    EXPECT_EQ(combo.stopwatch, FrameTimer::kNoStopwatch);
    EXPECT_EQ(timer.stopwatchesInUse, 0);
}

TEST_F(SequenceTriggerTest, AStepRunsOutInTheFirstFrameAtTheLimitAndALateKeyDoesNothing) {
    // The frame 0.33 s after Left's frame ends it; Right then starts nothing.
    EXPECT_EQ(Run({{10, L}, {100, 0, L}, {100}, {120}, {10}, {70, R}}), "111100");
    EXPECT_EQ(timer.stopwatchesInUse, 0);
    // Pressed too late, the expected key ends the sequence in its own frame.
    EXPECT_EQ(Run({{10, L, R}, {400, R, L}}), "10");
}

TEST_F(SequenceTriggerTest, AKeyHeldDownCountsOnce) {
    EXPECT_EQ(Run({{10, L}, {100, R}, {100, 0, R}, {50, 0, L}, {50, L}}), "1222!");
}

TEST_F(SequenceTriggerTest, WithEveryStopwatchTakenStepsAreMeasuredByTheLastFrame) {
    for (int i = 0; i < FrameTimer::kStopwatchCount; ++i) timer.StartStopwatch();
    // Half a second per step, but never more than a tenth of one in a frame.
    EXPECT_EQ(Run({{100, L},
                   {100, 0, L},
                   {100},
                   {100},
                   {100},
                   {100, R},
                   {100, 0, R},
                   {100},
                   {100},
                   {100},
                   {100, L}}),
              "1111122222!");
    EXPECT_EQ(Run({{100, 0, L}, {100, L}, {400}}), "010");  // one long frame
    EXPECT_EQ(timer.stopwatchesInUse, FrameTimer::kStopwatchCount);
}

TEST_F(SequenceTriggerTest, OnePressIsOneStepAndSuppliedLimitsAreKept) {
    combo.Set(Keys({DIK_A}), 1, nullptr, kStepLimit);
    EXPECT_EQ(Run({{10, DIK_A}}), "!");
    EXPECT_EQ(timer.stopwatchesInUse, 0);
    combo.Set(Keys({DIK_A, DIK_A}), 2, nullptr, kStepLimit);
    EXPECT_EQ(Run({{10, 0, DIK_A}, {10, DIK_A}, {10, 0, DIK_A}, {10, DIK_A}}), "011!");
    combo.Set(Keys({DIK_A, DIK_B}), 2, new float[2]{0.0f, 1.0f}, kStepLimit);
    EXPECT_EQ(Run({{10, 0, DIK_A}, {10, DIK_A}, {600, DIK_B}}), "01!");
}

TEST_F(SequenceTriggerTest, ATriggerDestroyedOrResetHalfwayGivesItsStopwatchBack) {
    bool quit = false;
    auto* binding = new Binding();
    binding->Set(new SequenceTrigger(Keys({L, R}), 2, nullptr, kStepLimit), new QuitCommand(&quit));
    manager.AddBinding(binding);
    Run({{10, L}});
    ASSERT_EQ(timer.stopwatchesInUse, 2);
    manager.RemoveBinding(binding);
    EXPECT_EQ(timer.stopwatchesInUse, 1);
    combo.Set(Keys({DIK_A}), 1, nullptr, kStepLimit);
    EXPECT_EQ(timer.stopwatchesInUse, 0);
}

using SequenceTriggerConsoleTest = AppInputTest;

TEST_F(SequenceTriggerConsoleTest, EveryCheckWritesTheKeysAcceptedSoFar) {
    SequenceTrigger combo(Keys({DIK_LEFT, DIK_RIGHT, DIK_LEFT}), 3, nullptr, kStepLimit);
    combo.Attach(&manager, &timer);
    Press(DIK_LEFT);
    combo.Check();
    Let(DIK_LEFT);
    Press(DIK_RIGHT);
    combo.Check();
    Press(DIK_LEFT);
    EXPECT_EQ(combo.Check(), 1);
    Frame();
    combo.Check();
    EXPECT_EQ(output.Text(), "Combo \nCombo 203 \nCombo 203 205 \nCombo \n");
}

}  // namespace
