// The debug console, with the process's standard output captured into a file.
#include "app/LogConsole.h"

#include "support/CapturedStandardOutput.h"

#include <gtest/gtest.h>

#include <ios>

namespace {

TEST(LogConsole, DiscardsEverythingWrittenBeforeOpen) {
    CapturedStandardOutput output;
    LogConsole console;
    console << "lost " << 42 << '\n';
    EXPECT_TRUE(console.good());
    EXPECT_EQ(console.consoleHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(console.consoleBuffer, nullptr);
    console.Open();
    console << "Graphics Initialized\n";
    EXPECT_EQ(output.Text(), "Graphics Initialized\n");
}

TEST(LogConsole, EachInsertionReachesTheConsoleAtOnce) {
    CapturedStandardOutput output;
    LogConsole console;
    console.Open();
    console << "Combo ";
    EXPECT_EQ(output.Text(), "Combo ");
    console << 203;
    EXPECT_EQ(output.Text(), "Combo 203");
    console << ' ' << -1 << '\n';
    EXPECT_EQ(output.Text(), "Combo 203 -1\n");
}

TEST(LogConsole, OpenAndCloseAreIdempotent) {
    CapturedStandardOutput output;
    LogConsole console;
    console.Close();
    EXPECT_EQ(console.consoleHandle, INVALID_HANDLE_VALUE);

    console.Open();
    FileStreamBuffer* buffer = console.consoleBuffer;
    FILE* file = console.consoleFile;
    ASSERT_NE(buffer, nullptr);
    console.Open();
    EXPECT_EQ(console.consoleBuffer, buffer);
    EXPECT_EQ(console.consoleFile, file);
    console << "once\n";

    console.Close();
    console.Close();
    EXPECT_EQ(console.consoleBuffer, nullptr);
    EXPECT_EQ(console.consoleFile, nullptr);
    EXPECT_EQ(output.Text(), "once\n");
}

TEST(LogConsole, ClosingDropsFormattingAndDiscardsOutputAgain) {
    CapturedStandardOutput output;
    LogConsole console;
    console.Open();
    console << std::hex << std::showbase << 255 << '\n';
    console.Close();
    EXPECT_FALSE(console.flags() & std::ios_base::unitbuf);
    EXPECT_FALSE(console.flags() & std::ios_base::hex);
    console << 255 << '\n';
    EXPECT_EQ(output.Text(), "0xff\n");

    // Where a console opened again writes is the system's business (Windows
    // makes a new one); it starts with the default formatting.
    console.Open();
    EXPECT_EQ(console.flags(), std::ios_base::skipws | std::ios_base::dec | std::ios_base::unitbuf);
}

}  // namespace
