// Key and chord triggers: level-sensitive conditions on the keys held.
#include <vector>

#include "input/ChordTrigger.h"
#include "input/KeyTrigger.h"
#include "InputFixture.h"

namespace {

using TriggerTest = InputTest;

TEST_F(TriggerTest, AKeyFiresInEveryFrameItIsHeldAndAChordWhileAllItsKeysAre) {
    const int keys[] = {DIK_RMENU, DIK_RETURN};
    KeyTrigger escape(DIK_ESCAPE);
    ChordTrigger chord(keys, 2);
    ChordTrigger empty(nullptr, 0);
    for (Trigger* trigger : std::vector<Trigger*>{&escape, &chord, &empty}) {
        EXPECT_EQ(trigger->Attach(&manager, &timer), 1);
    }

    // Per frame: Escape, the chord, the chord without keys.
    std::vector<int> fired;
    auto record = [&] {
        fired.push_back(escape.Check() * 100 + chord.Check() * 10 + empty.Check());
    };
    Frame(), record();
    Press(DIK_RETURN), record();  // Enter first this time
    Press(DIK_RMENU), record();
    Press(DIK_ESCAPE), record();
    Frame(), record();
    Let(DIK_RETURN), record();
    Let(DIK_ESCAPE), record();
    Press(DIK_RETURN), record();
    EXPECT_EQ(fired, (std::vector<int>{1, 1, 11, 111, 111, 101, 1, 11}));
}

}  // namespace
