// The name hash against hand-worked values.
#include <gtest/gtest.h>

#include "world/NameHash.h"

namespace {

TEST(NameHashTest, MatchesTheWorkedValues) {
    EXPECT_EQ(NameHash("a"), 0x00000061);
    EXPECT_EQ(NameHash("abc"), 0x000608E3);
    // Long enough for the top bits to be folded back in.
    EXPECT_EQ(NameHash("robot"), 0x727A3BB4);
    // A byte above 0x7F counts as negative.
    EXPECT_EQ(NameHash("\xE9"), static_cast<int32_t>(0xFFFFFFE9u));
}

TEST(NameHashTest, EmptyAndNullNamesHashToZero) {
    EXPECT_EQ(NameHash(""), 0);
    EXPECT_EQ(NameHash(nullptr), 0);
}

}  // namespace
