// The console of the Linux layer: the process's standard output.
#include <cstdio>

#include <gtest/gtest.h>

#include "app/LogConsole.h"
#include "support/CapturedStandardOutput.h"

namespace {

// On Windows the console's stream is made on the standard output handle itself
// (_open_osfhandle), so closing the console closes that handle. The layer
// hands out a duplicate descriptor instead: on POSIX the next file the process
// opened would take a closed descriptor 1, and standard output would write
// into that file.
TEST(ConsoleTest, ClosingTheConsoleLeavesTheProcessStandardOutputOpen) {
    CapturedStandardOutput output;
    {
        LogConsole console;
        console.Open();
        console << "from the console\n";
    }
    std::printf("after\n");
    std::fflush(stdout);
    EXPECT_EQ(output.Text(), "from the console\nafter\n");
}

}  // namespace
